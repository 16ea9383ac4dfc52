# Test import modules for the decoding job: one source, one behaviour per module.
if(WIN32)
  foreach(behaviour raw any progress error half preview slow rawfile block)
    tovane_test_plugin(decode_${behaviour} SOURCES ${CMAKE_CURRENT_LIST_DIR}/decode_plugin.c)
    string(TOUPPER ${behaviour} upper)
    target_compile_definitions(decode_${behaviour} PRIVATE DECODE_${upper})
  endforeach()
endif()

# Test import modules that fault or hang, for the decoding host (see fault_plugin.c).
set(tovane_fault_plugins av stack abort hang second dllmain info late nohost busy check)
if(WIN32)
  foreach(behaviour ${tovane_fault_plugins})
    tovane_test_plugin(fault_${behaviour} SOURCES ${CMAKE_CURRENT_LIST_DIR}/fault_plugin.c)
    string(TOUPPER ${behaviour} upper)
    target_compile_definitions(fault_${behaviour} PRIVATE FAULT_${upper})
  endforeach()
endif()

# Test archive modules over a text list of real files (see am_list.c), one of them faulting.
if(WIN32)
  tovane_test_plugin(am_list SOURCES ${CMAKE_CURRENT_LIST_DIR}/am_list.c)
  tovane_test_plugin(am_list_fault SOURCES ${CMAKE_CURRENT_LIST_DIR}/am_list.c)
  target_compile_definitions(am_list_fault PRIVATE AM_FAULT)
endif()
