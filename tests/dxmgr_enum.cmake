# DXMgr enumerations against Wine's real DirectDraw and Direct3D, and against
# the fake where Wine cannot be made to fail.
corvane_add_test(dxmgr_enum_tests
  SOURCES dxmgr_enum_test.cpp dxmgr_enum_cursor_test.cpp dxmgr_enum_fake_test.cpp dxmgr_test_support.cpp
  LIBS dxmgr fake_directdraw)

# Refused heap blocks; a program of its own because it replaces its HeapAlloc import.
corvane_add_test(dxmgr_enum_alloc_tests
  SOURCES dxmgr_enum_alloc_test.cpp heap_alloc_hook.cpp import_patch.cpp dxmgr_test_support.cpp
  LIBS dxmgr)
