# DXMgr through a scripted stand-in for DirectDraw and Direct3D.
add_library(fake_directdraw STATIC
  fake_directdraw.cpp
  fake_directdraw_formats.cpp
  fake_ddraw_object.cpp
  fake_d3d_object.cpp
  fake_ddraw_surface.cpp
  fake_d3d_device.cpp
)
target_link_libraries(fake_directdraw PUBLIC ole32 uuid dxguid)

corvane_add_test(fake_directdraw_tests SOURCES fake_directdraw_test.cpp LIBS fake_directdraw)

corvane_add_test(dxmgr_fake_tests
  SOURCES dxmgr_fake_test_initialize.cpp dxmgr_fake_test_enable.cpp dxmgr_fake_test_enable_failures.cpp
          dxmgr_fake_test_frame.cpp dxmgr_fake_test_options.cpp dxmgr_fake_test_references.cpp
          dxmgr_test_support.cpp
  LIBS dxmgr fake_directdraw)

# Refused heap blocks; a program of its own because it replaces its HeapAlloc import.
corvane_add_test(dxmgr_fake_alloc_tests
  SOURCES dxmgr_fake_test_alloc.cpp heap_alloc_hook.cpp import_patch.cpp dxmgr_test_support.cpp
  LIBS dxmgr fake_directdraw)
