# The Direct3D test window: its scene rules, its drawing under Wine, and the
# test started from the dialog.
corvane_add_test(d3d_test_scene_tests SOURCES d3d_test_scene_test.cpp LIBS corvane_app)
corvane_add_test(d3d_test_resources_tests
  SOURCES d3d_test_resources_test.cpp d3d_test_resources.cpp
  LIBS psapi gdi32)
corvane_add_test(d3d_test_window_tests
  SOURCES d3d_test_window_test.cpp d3d_test_window_support.cpp d3d_test_resources.cpp
  LIBS corvane_app dialog_driver psapi gdi32)
corvane_add_test(d3d_test_dialog_tests
  SOURCES d3d_test_dialog_test.cpp
  LIBS app_test_support dialog_driver gdi32)
add_dependencies(d3d_test_dialog_tests corvane)

# run.sh's helper for a screenshot of the test window (not a test).
add_executable(d3d_test_shot d3d_test_shot.cpp)
target_link_libraries(d3d_test_shot PRIVATE dialog_driver gdi32)

corvane_add_test(d3d_test_fake_tests
  SOURCES d3d_test_fake_test.cpp d3d_test_window_support.cpp
  LIBS corvane_app fake_directdraw dialog_driver)
