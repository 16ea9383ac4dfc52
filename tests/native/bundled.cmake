tovane_native_test(bundled_portable_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/BundledSniffTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BundledPixelsTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BundledExifTest.cpp
  LIBS bundled_portable)
