tovane_native_test(framework_tests
  PathsTest.cpp StringsTest.cpp FileFormatsTest.cpp DpiScaleTest.cpp
  LIBS framework_portable)
