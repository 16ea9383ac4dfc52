# Streams, the bitmap file codec, resampling and the check of plug-in bitmap blocks; the fuzz
# corpus replayed.
tovane_native_test(graphics_tests
  graphicsStreamsTest.cpp graphicsByteBufferTest.cpp graphicsBitmapFileTest.cpp
  graphicsDibCheckTest.cpp graphicsBitmapScaleTest.cpp graphicsCorpusTest.cpp
  LIBS framework_portable)
if(TARGET graphics_tests)
  target_compile_definitions(graphics_tests PRIVATE
    TOVANE_GRAPHICS_FIXTURES="${CMAKE_SOURCE_DIR}/tests/fixtures/graphics"
    TOVANE_FUZZ_CORPUS="${CMAKE_SOURCE_DIR}/tests/fuzz/corpus")
endif()
