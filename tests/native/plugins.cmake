tovane_native_test(plugins_rules_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/pluginsRulesTest.cpp
  LIBS tovane_portable)
