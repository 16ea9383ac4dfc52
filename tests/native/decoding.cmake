tovane_native_test(decoding_tests
  DecodingRulesTest.cpp CliArgumentsTest.cpp PictureCacheTest.cpp HostProtocolTest.cpp
  HostProtocolBytesTest.cpp
  LIBS tovane_portable)
# The message bytes in the Windows builds too: the 32-bit host and the 64-bit program must agree.
tovane_win_test(host_protocol_bytes_tests ${CMAKE_SOURCE_DIR}/tests/native/HostProtocolBytesTest.cpp
  LIBS tovane_imaging_portable)
