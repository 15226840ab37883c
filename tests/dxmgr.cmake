# DXMgr core against Wine's real DirectDraw and Direct3D, and its argument and
# state checks.
corvane_add_test(dxmgr_render_tests
  SOURCES dxmgr_render_test.cpp dxmgr_test_support.cpp
  LIBS dxmgr)
corvane_add_test(dxmgr_checks_tests
  SOURCES dxmgr_checks_test.cpp dxmgr_test_support.cpp
  LIBS dxmgr)
corvane_add_test(dxmgr_units_tests
  SOURCES dxmgr_units_test.cpp
  LIBS dxmgr)
# Without ddraw.dll: the environment disables the library for this program
# (the prefix is already booted, so the usual mscoree/mshtml overrides are
# not needed here; a ";" would split the CTest property).
corvane_add_test(dxmgr_noddraw_tests
  SOURCES dxmgr_noddraw_test.cpp
  LIBS dxmgr)
set_tests_properties(dxmgr_noddraw_tests PROPERTIES ENVIRONMENT "WINEDLLOVERRIDES=ddraw=d")
# Full-screen modes need a Wine virtual desktop, which the program runs in.
add_executable(dxmgr_fullscreen_tests dxmgr_fullscreen_test.cpp dxmgr_test_support.cpp)
target_link_libraries(dxmgr_fullscreen_tests PRIVATE test_support gtest_main gmock dxmgr)
add_test(NAME dxmgr_fullscreen_tests
         COMMAND ${CMAKE_SOURCE_DIR}/tests/dxmgr_desktop_run.sh ${CORVANE_WINE_ARCH}
                 $<TARGET_FILE:dxmgr_fullscreen_tests>)
set_tests_properties(dxmgr_fullscreen_tests PROPERTIES TIMEOUT 600)
# With every operator new failing: its own replacement, so no other program
# sees the failures.
corvane_add_test(dxmgr_no_throw_tests
  SOURCES dxmgr_no_throw_test.cpp failing_operator_new.cpp
  LIBS dxmgr)
