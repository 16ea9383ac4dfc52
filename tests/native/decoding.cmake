tovane_native_test(decoding_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/DecodingRulesTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CliArgumentsTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PictureCacheTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HostProtocolTest.cpp
  LIBS tovane_portable)
