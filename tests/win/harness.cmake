# What every Windows test stands on: the shared harness (tests/win/Harness.h), which every
# tovane_win_test links, and the test that checks the ground it runs on.
if(WIN32)
  add_library(tovane_win_harness STATIC ${CMAKE_CURRENT_LIST_DIR}/Harness.cpp)
  target_link_libraries(tovane_win_harness PUBLIC framework_win32)
endif()
tovane_win_test(harness_tests HarnessTest.cpp LIBS framework_portable)
