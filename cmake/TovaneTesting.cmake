# Test helpers.
#   tovane_native_test(NAME SOURCES... LIBS ... [options])  native build only, GoogleTest
#   tovane_win_test(NAME SOURCES... LIBS ... [options])     Windows builds, run under Wine
#     Sources without a folder are those beside the fragment that registers the test. Options:
#       DEPENDS targets...  built before the test (targets this build does not have are skipped)
#       FOLDER name         the test program runs from bin/<name> ...
#       COPY targets...     ... which holds these modules besides
#       TIMEOUT seconds, RUN_SERIAL
#   Windows tests link the shared harness (tests/win/Harness.h).
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

# Builds one test program and registers it with ctest.
function(tovane_add_test name working_dir)
  cmake_parse_arguments(T "RUN_SERIAL" "FOLDER;TIMEOUT" "SOURCES;LIBS;DEPENDS;COPY" ${ARGN})
  set(sources "")
  foreach(s ${T_SOURCES} ${T_UNPARSED_ARGUMENTS})
    cmake_path(ABSOLUTE_PATH s BASE_DIRECTORY ${CMAKE_CURRENT_LIST_DIR} NORMALIZE)
    list(APPEND sources ${s})
  endforeach()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${T_LIBS} ${TOVANE_GTEST})
  foreach(t ${T_DEPENDS} ${T_COPY})
    if(TARGET ${t})
      add_dependencies(${name} ${t})
    endif()
  endforeach()
  if(T_FOLDER)
    set(folder ${CMAKE_BINARY_DIR}/bin/${T_FOLDER})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${folder})
    foreach(t ${T_COPY})
      add_custom_command(TARGET ${name} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:${t}> ${folder}/)
    endforeach()
  endif()
  add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${working_dir})
  if(T_TIMEOUT)
    set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
  endif()
  if(T_RUN_SERIAL)
    set_tests_properties(${name} PROPERTIES RUN_SERIAL TRUE)
  endif()
endfunction()

macro(tovane_native_test name)
  if(NOT WIN32)
    tovane_add_test(${name} ${CMAKE_SOURCE_DIR} ${ARGN})
  endif()
endmacro()

# CMAKE_CROSSCOMPILING_EMULATOR (scripts/wine-run) runs both Windows builds' under Wine.
macro(tovane_win_test name)
  if(WIN32)
    tovane_add_test(${name} ${CMAKE_BINARY_DIR}/bin ${ARGN})
    target_link_libraries(${name} PRIVATE tovane_win_harness)
  endif()
endmacro()

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
