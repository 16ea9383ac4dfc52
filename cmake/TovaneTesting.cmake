# Test helpers.
#   tovane_native_test(NAME SOURCES... LIBS ...)  native build only, GoogleTest
#   tovane_win_test(NAME SOURCES... LIBS ...)     Windows builds; run under Wine in win64,
#                                                 compiled only in win32
#   tovane_test_plugin(NAME SOURCES... [DEF file]) a real Susie module for the tests: *.sph in
#                                                 win64, *.spi in win32, in bin/testplugins/NAME/
enable_testing()

if(WIN32)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  set(TOVANE_GTEST gtest gtest_main)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(TOVANE_PLUGIN_SUFFIX ".sph")
  else()
    set(TOVANE_PLUGIN_SUFFIX ".spi")
  endif()
else()
  find_package(GTest REQUIRED)
  set(TOVANE_GTEST GTest::gtest GTest::gtest_main)
endif()

function(tovane_native_test name)
  if(WIN32)
    return()
  endif()
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${T_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${T_LIBS} ${TOVANE_GTEST})
  add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${CMAKE_SOURCE_DIR})
endfunction()

function(tovane_win_test name)
  if(NOT WIN32)
    return()
  endif()
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${T_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${T_LIBS} ${TOVANE_GTEST})
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    # CMAKE_CROSSCOMPILING_EMULATOR (scripts/wine-run) runs it under wine64.
    add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  endif()
endfunction()

function(tovane_test_plugin name)
  if(NOT WIN32)
    return()
  endif()
  cmake_parse_arguments(T "" "DEF" "SOURCES" ${ARGN})
  add_library(${name} MODULE ${T_SOURCES} ${T_UNPARSED_ARGUMENTS} ${T_DEF})
  set_target_properties(${name} PROPERTIES PREFIX "" SUFFIX ${TOVANE_PLUGIN_SUFFIX}
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin/testplugins/${name})
  if(NOT CMAKE_SIZEOF_VOID_P EQUAL 8)
    target_link_options(${name} PRIVATE -Wl,--kill-at)
  endif()
endfunction()
