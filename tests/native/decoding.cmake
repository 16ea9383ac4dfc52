tovane_native_test(decoding_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/DecodingRulesTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CliArgumentsTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PictureCacheTest.cpp
  LIBS tovane_portable)
