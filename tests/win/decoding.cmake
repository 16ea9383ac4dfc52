# Decoding job, plug-in graphic classes and the console tool, against the real test modules.
tovane_win_test(decoding_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/DecodingSupport.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DecodingJobTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DecodingGraphicTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DecodingRulesWinTest.cpp
  LIBS tovane_imaging)
tovane_win_test(decoding_cli_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/DecodingSupport.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CliTest.cpp
  LIBS tovane_imaging)
if(WIN32)
  foreach(t decoding_tests decoding_cli_tests)
    add_dependencies(${t} decode_raw decode_any decode_progress decode_error decode_half
                     decode_preview)
  endforeach()
  add_dependencies(decoding_cli_tests tovane-cli)
endif()
tovane_win_test(decoding_host_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/DecodingSupport.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DecodingHostTest.cpp
  LIBS tovane_imaging)
if(WIN32)
  add_dependencies(decoding_host_tests decode_raw decode_any decode_progress)
  foreach(behaviour ${tovane_fault_plugins})
    add_dependencies(decoding_host_tests fault_${behaviour})
    add_dependencies(decoding_cli_tests fault_${behaviour})
  endforeach()
endif()
