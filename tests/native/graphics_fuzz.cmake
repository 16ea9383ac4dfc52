# libFuzzer targets for the bitmap reader and the plug-in block check (native build with clang
# and -DTOVANE_FUZZ=ON). The framework sources they test are compiled into each target so that
# they carry the fuzzer's coverage instrumentation. scripts/fuzz builds and runs them (the test
# command does, for a short time each); by hand, for example:
#   bin/graphics_bitmapfile_fuzz -max_total_time=300 tests/fuzz/corpus/bmp
if(TOVANE_FUZZ AND NOT WIN32 AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  # Every portable framework source, found as the framework's own library finds them, so that
  # a new file the tested code comes to use cannot leave the targets unlinked.
  file(GLOB graphics_fuzz_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/framework/*.cpp)
  foreach(target bitmapfile dibcheck)
    if(target STREQUAL "bitmapfile")
      set(main ${CMAKE_SOURCE_DIR}/tests/fuzz/graphicsBitmapFileFuzz.cpp)
    else()
      set(main ${CMAKE_SOURCE_DIR}/tests/fuzz/graphicsDibCheckFuzz.cpp)
    endif()
    add_executable(graphics_${target}_fuzz ${main} ${graphics_fuzz_sources})
    target_compile_options(graphics_${target}_fuzz PRIVATE
      -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    target_link_options(graphics_${target}_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
  endforeach()
endif()
