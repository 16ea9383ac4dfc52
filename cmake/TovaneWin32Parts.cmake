# What the 64-bit build takes from the 32-bit build (build/win32 beside it, or
# TOVANE_WIN32_BUILD): the 32-bit decoding host, tovane-host32.exe, which runs the 32-bit
# modules (*.spi) of the 64-bit program, and, for the tests and benchmarks, 32-bit builds of
# the test modules, two bundled modules and the 32-bit half of the host benchmark. The win32
# build makes them (configured here first if it is not yet); copies land in this build's bin/:
#   tovane-host32.exe
#   testplugins32/NAME/NAME.spi      the test modules of TOVANE_WIN32_TEST_MODULES
#   modules32/ifjpeg.spi, ifpng.spi  the bundled modules
#   bench32/bench_host32.exe         (with its modules32) the baseline of run_bench_host32
if(NOT TOVANE_WIN64)
  return()
endif()
set(TOVANE_WIN32_BUILD ${CMAKE_SOURCE_DIR}/build/win32 CACHE PATH
    "The win32 build that makes the 64-bit build's 32-bit parts")
set(bin ${CMAKE_BINARY_DIR}/bin)

# One target drives the win32 build at a time: the second depends on the first.
add_custom_target(tovane-host32 ALL
  COMMAND ${CMAKE_COMMAND} -DSOURCE=${CMAKE_SOURCE_DIR} -DWIN32_BUILD=${TOVANE_WIN32_BUILD}
          -DWERROR=${TOVANE_WERROR} -DTARGETS=tovane-host
          -DCOPIES=tovane-host.exe=${bin}/tovane-host32.exe
          -P ${CMAKE_SOURCE_DIR}/cmake/Win32Parts.cmake
  BYPRODUCTS ${bin}/tovane-host32.exe
  COMMENT "The 32-bit decoding host from ${TOVANE_WIN32_BUILD}"
  VERBATIM)
add_dependencies(tovane_imaging tovane-host32)

set(TOVANE_WIN32_TEST_MODULES decode_raw decode_any fault_av fault_hang am_list)
set(targets ifjpeg ifpng bench_host32 ${TOVANE_WIN32_TEST_MODULES})
set(copies ifjpeg.spi=${bin}/modules32/ifjpeg.spi ifpng.spi=${bin}/modules32/ifpng.spi
    bench_host32.exe=${bin}/bench32/bench_host32.exe)
set(made "")
foreach(m ${TOVANE_WIN32_TEST_MODULES})
  list(APPEND copies testplugins/${m}/${m}.spi=${bin}/testplugins32/${m}/${m}.spi)
  list(APPEND made ${bin}/testplugins32/${m}/${m}.spi)
endforeach()
string(REPLACE ";" "\\;" targets_arg "${targets}")
string(REPLACE ";" "\\;" copies_arg "${copies}")
add_custom_target(win32_test_parts ALL
  COMMAND ${CMAKE_COMMAND} -DSOURCE=${CMAKE_SOURCE_DIR} -DWIN32_BUILD=${TOVANE_WIN32_BUILD}
          -DWERROR=${TOVANE_WERROR} -DTARGETS=${targets_arg} -DCOPIES=${copies_arg}
          -P ${CMAKE_SOURCE_DIR}/cmake/Win32Parts.cmake
  BYPRODUCTS ${made} ${bin}/modules32/ifjpeg.spi ${bin}/modules32/ifpng.spi
             ${bin}/bench32/bench_host32.exe
  COMMENT "32-bit test modules from ${TOVANE_WIN32_BUILD}"
  VERBATIM)
add_dependencies(win32_test_parts tovane-host32)
