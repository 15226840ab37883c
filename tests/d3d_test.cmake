# The Direct3D test window: its scene rules, its drawing under Wine, and the
# test started from the dialog.
corvane_add_test(d3d_test_scene_tests SOURCES d3d_test_scene_test.cpp ../app/scene.cpp)
