# What the SDK zip holds beside the installed libraries (component
# "sdk_extras", not part of cmake --install): the HTML reference that Doxygen
# makes from the public headers, and the examples' sources.
find_program(DOXYGEN_EXECUTABLE doxygen)
set(REFERENCE_OUTPUT ${CMAKE_BINARY_DIR}/reference)
configure_file(${CMAKE_SOURCE_DIR}/docs/Doxyfile.in ${REFERENCE_OUTPUT}/Doxyfile @ONLY)
set(reference_headers
  ${CMAKE_SOURCE_DIR}/registry/registry_key.h
  ${CMAKE_SOURCE_DIR}/registry/expandable_buffer.h
  ${CMAKE_SOURCE_DIR}/dxmgr/dxmgr.h)
if(DOXYGEN_EXECUTABLE)
  add_custom_command(
    OUTPUT ${REFERENCE_OUTPUT}/html/index.html
    COMMAND ${CMAKE_COMMAND} -E remove_directory ${REFERENCE_OUTPUT}/html
    COMMAND ${DOXYGEN_EXECUTABLE} ${REFERENCE_OUTPUT}/Doxyfile
    DEPENDS ${reference_headers} ${CMAKE_SOURCE_DIR}/docs/Doxyfile.in
    COMMENT "Making the libraries' reference with Doxygen"
    VERBATIM)
  add_custom_target(reference ALL DEPENDS ${REFERENCE_OUTPUT}/html/index.html)
  install(DIRECTORY ${REFERENCE_OUTPUT}/html/ DESTINATION reference
          COMPONENT sdk_extras EXCLUDE_FROM_ALL)
else()
  message(WARNING "doxygen not found (tools/install-deps.sh installs it): no reference in the SDK zip")
endif()
install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/ DESTINATION examples
        COMPONENT sdk_extras EXCLUDE_FROM_ALL)
