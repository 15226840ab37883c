# The time the release zips carry (their members' times and corvane.exe's
# PE time stamp), after the SOURCE_DATE_EPOCH convention: an exported
# SOURCE_DATE_EPOCH wins; otherwise the time of the commit the source folder
# holds (git log -1 --format=%ct); a source folder that is no git work tree
# of its own (an unpacked source archive) takes 315532800, 1980-01-01 00:00
# UTC, the earliest time a zip's DOS date can hold. Taken when the zips are
# made, so that a new commit needs no new configure.
#
#   cmake [-D SOURCE_DIR=DIR] -P cmake/source_date_epoch.cmake
# prints the time the zips of DIR (the repository by default) would carry,
# and on the error output where it comes from.

function(corvane_source_date_epoch source_dir out_epoch out_origin)
  set(epoch 315532800)
  set(origin "the fallback for a source folder without its git commit")
  if(NOT "$ENV{SOURCE_DATE_EPOCH}" STREQUAL "")
    if(NOT "$ENV{SOURCE_DATE_EPOCH}" MATCHES "^[0-9]+$")
      message(FATAL_ERROR "SOURCE_DATE_EPOCH is '$ENV{SOURCE_DATE_EPOCH}', not seconds since 1970")
    endif()
    set(epoch "$ENV{SOURCE_DATE_EPOCH}")
    set(origin "the exported SOURCE_DATE_EPOCH")
  else()
    find_program(CORVANE_GIT git)
    if(CORVANE_GIT)
      # Only the source folder's own repository: one it merely lies in
      # (unpacked inside another project's work tree) names a foreign commit.
      execute_process(COMMAND ${CORVANE_GIT} -C ${source_dir} rev-parse --show-toplevel
                      OUTPUT_VARIABLE top RESULT_VARIABLE top_status
                      OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
      file(REAL_PATH "${source_dir}" source_real)
      if(top_status EQUAL 0)
        file(REAL_PATH "${top}" top)
      endif()
      if(top_status EQUAL 0 AND top STREQUAL source_real)
        execute_process(COMMAND ${CORVANE_GIT} -C ${source_dir} log -1 --format=%ct%n%h
                        OUTPUT_VARIABLE commit RESULT_VARIABLE commit_status
                        OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
        if(commit_status EQUAL 0 AND commit MATCHES "^([0-9]+)\n(.+)$")
          set(epoch "${CMAKE_MATCH_1}")
          set(origin "the time of commit ${CMAKE_MATCH_2}")
        endif()
      endif()
    endif()
  endif()
  set(${out_epoch} "${epoch}" PARENT_SCOPE)
  set(${out_origin} "${origin}" PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  if(NOT DEFINED SOURCE_DIR)
    get_filename_component(SOURCE_DIR "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
  endif()
  corvane_source_date_epoch("${SOURCE_DIR}" epoch origin)
  execute_process(COMMAND ${CMAKE_COMMAND} -E echo "${epoch}")
  message("(${origin})")
endif()
