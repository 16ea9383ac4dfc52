# libFuzzer targets for the bitmap reader and the plug-in block check (native build with clang
# and -DTOVANE_FUZZ=ON). The framework sources they test are compiled into each target so that
# they carry the fuzzer's coverage instrumentation. Run, for example:
#   bin/graphics_bitmapfile_fuzz -max_total_time=300 tests/fuzz/corpus/bmp
if(TOVANE_FUZZ AND NOT WIN32 AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  set(graphics_fuzz_sources
    ${CMAKE_SOURCE_DIR}/framework/BitmapFile.cpp
    ${CMAKE_SOURCE_DIR}/framework/BitmapScale.cpp
    ${CMAKE_SOURCE_DIR}/framework/DibCheck.cpp
    ${CMAKE_SOURCE_DIR}/framework/Streams.cpp
    ${CMAKE_SOURCE_DIR}/framework/StreamsFile.cpp
    ${CMAKE_SOURCE_DIR}/framework/Strings.cpp
    ${CMAKE_SOURCE_DIR}/framework/Exceptions.cpp)
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
