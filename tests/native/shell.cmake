tovane_native_test(shell_native_tests SOURCES ${CMAKE_CURRENT_LIST_DIR} /
                   shell_ShortCutTest.cpp ${CMAKE_CURRENT_LIST_DIR} /
                   shell_FileMaskTest.cpp LIBS framework_portable)
