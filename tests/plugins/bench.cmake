# Import module for the decode benchmark (bench/): hands back a 6000 x 4000, 24-bit picture.
if(WIN32)
  tovane_test_plugin(bench_big SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_big.c)
endif()
