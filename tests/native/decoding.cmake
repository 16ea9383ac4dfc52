tovane_native_test(decoding_tests
  DecodingRulesTest.cpp CliArgumentsTest.cpp PictureCacheTest.cpp HostProtocolTest.cpp
  LIBS tovane_portable)
