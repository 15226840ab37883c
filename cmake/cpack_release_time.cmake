# Read by cpack before it stages and zips (CPACK_PROJECT_CONFIG_FILE). The
# zips take their time from the source (cmake/source_date_epoch.cmake)
# through SOURCE_DATE_EPOCH in cpack's own environment: CPack's archive
# writer gives it to every member's times (a file's times, its change time
# among them, cannot be set on disk), and the strip of corvane.exe during
# staging, whose BFD writes the PE time stamp and the checksum after it,
# takes it too. A zip's DOS times are local times: UTC makes them the same
# in every time zone.
include(${CMAKE_CURRENT_LIST_DIR}/source_date_epoch.cmake)
corvane_source_date_epoch("${CPACK_CORVANE_SOURCE_DIR}" epoch origin)
set(ENV{SOURCE_DATE_EPOCH} "${epoch}")
set(ENV{TZ} UTC)
message(STATUS "The zips carry the time ${epoch}, ${origin}")
