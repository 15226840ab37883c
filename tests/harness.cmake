corvane_add_test(harness_tests SOURCES harness_test.cpp)
