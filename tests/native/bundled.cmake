tovane_native_test(bundled_portable_tests
  BundledSniffTest.cpp BundledPixelsTest.cpp BundledExifTest.cpp
  LIBS bundled_portable)
