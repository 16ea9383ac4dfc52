# Forms at 144 DPI: the test sets the prefix's LogPixels for a child process of its own and puts
# it back, so it runs alone.
tovane_win_test(dpi_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/DpiTest.cpp
  LIBS tovane_slideshow tovane_dialogs)
if(TEST dpi_tests)
  set_tests_properties(dpi_tests PROPERTIES TIMEOUT 180 RUN_SERIAL TRUE)
endif()
