tovane_native_test(bundled_portable_tests
  BundledSniffTest.cpp BundledPixelsTest.cpp BundledExifTest.cpp BundledArchiveRulesTest.cpp
  LIBS bundled_portable)
if(TARGET bundled_colour AND NOT WIN32)
  tovane_native_test(bundled_colour_tests BundledColourTest.cpp LIBS bundled_colour)
  target_include_directories(bundled_colour_tests SYSTEM PRIVATE ${BUNDLED_LCMS2_INCLUDE})
endif()
