# Test import modules for the decoding job: one source, one behaviour per module.
if(WIN32)
  foreach(behaviour raw any progress error half preview rawfile)
    tovane_test_plugin(decode_${behaviour} SOURCES ${CMAKE_CURRENT_LIST_DIR}/decode_plugin.c)
    string(TOUPPER ${behaviour} upper)
    target_compile_definitions(decode_${behaviour} PRIVATE DECODE_${upper})
  endforeach()
endif()
