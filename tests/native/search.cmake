tovane_native_test(search_rules_tests SearchRulesTest.cpp SettingsRulesTest.cpp
  LIBS tovane_portable)
