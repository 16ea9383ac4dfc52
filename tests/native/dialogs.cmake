tovane_native_test(dialogs_native_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/dialogsRulesTest.cpp
  LIBS tovane_dialogs_portable)
