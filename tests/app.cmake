# Drives dialogs of a real program from a test process; the Direct3D test's
# tests link it too.
add_library(dialog_driver STATIC dialog_driver.cpp)
target_link_libraries(dialog_driver PUBLIC user32 gdi32)

# The driver's DDHAL key for one test, created and removed with the raw API.
add_library(app_test_support STATIC app_ddhal_key.cpp app_set_value_recorder.cpp import_patch.cpp)
target_link_libraries(app_test_support PUBLIC gtest advapi32)

corvane_add_test(app_driver_options_tests
  SOURCES app_driver_options_test.cpp
  LIBS corvane_app app_test_support)

corvane_add_test(app_dialog_tests
  SOURCES app_dialog_test.cpp
  LIBS app_test_support dialog_driver)
add_dependencies(app_dialog_tests corvane)

corvane_add_test(app_template_tests
  SOURCES app_template_test.cpp
  LIBS dialog_driver version)
add_dependencies(app_template_tests corvane)

# The error report with every operator new failing: its own replacement, so no
# other program sees the failures.
corvane_add_test(app_error_report_tests
  SOURCES app_error_report_test.cpp failing_operator_new.cpp
  LIBS corvane_app)
