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
