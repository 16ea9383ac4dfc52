tovane_win_test(harness_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/HarnessTest.cpp
  LIBS framework_portable)
