# The same commit built again, in other folders or on another machine,
# gives the same zips byte for byte (tests/release/reproducible_zips.sh).
# No folder reaches a shipped byte: debug information, __FILE__ and the
# like name the source and build folders as "." (the build folder given
# last, so that it wins where it lies inside the source folder), and the
# Pentium runtime by its own name, wherever its cache lies.
if(CORVANE_PENTIUM_RUNTIME)
  get_filename_component(runtime_name "${CORVANE_PENTIUM_RUNTIME}" NAME)
  add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CORVANE_PENTIUM_RUNTIME}=${runtime_name}>")
endif()
add_compile_options(
  "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}=.>"
  "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}=.>")
# The zips' times, taken from the source when cpack runs, and the modes of
# the folders it stages, which mkdir gives after the umask of whoever makes
# the zips (the files' modes the install sets itself).
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/cpack_release_time.cmake)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/cpack_folder_modes.cmake)
set(CPACK_CORVANE_SOURCE_DIR ${CMAKE_SOURCE_DIR})
