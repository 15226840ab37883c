include(CMakePackageConfigHelpers)

# corvane_install_library(TARGET t PACKAGE P NAMESPACE N:: EXPORT_NAME E
#                         HEADER_FOLDER f HEADERS h...)
# Installs (component "sdk") the static library, its public headers under
# include/<f>/ where their includes expect them, and a CMake package
# lib/cmake/<P>/: find_package(P CONFIG) gives the imported target N::E with
# the include folder and the Windows libraries the library links, and a
# version file for which the same major version is compatible.
function(corvane_install_library)
  cmake_parse_arguments(L "" "TARGET;PACKAGE;NAMESPACE;EXPORT_NAME;HEADER_FOLDER" "HEADERS" ${ARGN})
  set_target_properties(${L_TARGET} PROPERTIES EXPORT_NAME ${L_EXPORT_NAME})
  target_include_directories(${L_TARGET} PUBLIC
    $<BUILD_INTERFACE:${CMAKE_SOURCE_DIR}> $<INSTALL_INTERFACE:include>)
  install(TARGETS ${L_TARGET} EXPORT ${L_PACKAGE}Targets ARCHIVE DESTINATION lib COMPONENT sdk)
  install(FILES ${L_HEADERS} DESTINATION include/${L_HEADER_FOLDER} COMPONENT sdk)

  set(package_dir ${CMAKE_BINARY_DIR}/packages/${L_PACKAGE})
  file(WRITE ${package_dir}/${L_PACKAGE}Config.cmake
       "include(\"\${CMAKE_CURRENT_LIST_DIR}/${L_PACKAGE}Targets.cmake\")\n")
  write_basic_package_version_file(${package_dir}/${L_PACKAGE}ConfigVersion.cmake
    VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
  install(EXPORT ${L_PACKAGE}Targets NAMESPACE ${L_NAMESPACE}
          DESTINATION lib/cmake/${L_PACKAGE} COMPONENT sdk)
  install(FILES ${package_dir}/${L_PACKAGE}Config.cmake ${package_dir}/${L_PACKAGE}ConfigVersion.cmake
          DESTINATION lib/cmake/${L_PACKAGE} COMPONENT sdk)
endfunction()
