# Decoding job, plug-in graphic classes and the console tool, against the real test modules.
set(decoding_modules decode_raw decode_any decode_progress decode_error decode_half decode_preview
  decode_rawfile decode_slow)
list(TRANSFORM tovane_fault_plugins PREPEND fault_ OUTPUT_VARIABLE fault_modules)
tovane_win_test(decoding_tests
  DecodingSupport.cpp DecodingJobTest.cpp DecodingGraphicTest.cpp DecodingRulesWinTest.cpp
  LIBS tovane_imaging
  DEPENDS ${decoding_modules})
tovane_win_test(decoding_cli_tests DecodingSupport.cpp CliTest.cpp
  LIBS tovane_imaging
  DEPENDS ${decoding_modules} ${fault_modules} tovane-cli win32_test_parts)
# A host that answers nonsense, for the program side's protocol errors.
if(WIN32)
  add_executable(fake_host ${CMAKE_CURRENT_LIST_DIR}/FakeHost.cpp)
  target_link_libraries(fake_host PRIVATE tovane_imaging_portable)
  target_link_options(fake_host PRIVATE -municode)
endif()
tovane_win_test(decoding_host_tests DecodingSupport.cpp DecodingHostTest.cpp
  LIBS tovane_imaging
  DEPENDS decode_raw decode_any decode_progress in_byname fake_host ${fault_modules})
# The 64-bit program's 32-bit modules, in tovane-host32.exe (cmake/TovaneWin32Parts.cmake).
if(TOVANE_WIN64)
  tovane_win_test(decoding_host32_tests DecodingSupport.cpp DecodingHost32Test.cpp
    LIBS tovane_imaging
    DEPENDS decode_raw decode_any win32_test_parts)
endif()
