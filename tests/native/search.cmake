tovane_native_test(search_rules_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/SearchRulesTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SettingsRulesTest.cpp
  LIBS tovane_portable)
