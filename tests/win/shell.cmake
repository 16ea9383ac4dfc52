tovane_win_test(shell_framework_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/shell_FrameworkTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/shell_Support.cpp
  LIBS framework_win32)
