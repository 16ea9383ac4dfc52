tovane_win_test(search_thread_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/SearchThreadTest.cpp
  LIBS framework_win32)
tovane_win_test(search_find_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/SearchFindTest.cpp
  LIBS tovane_app)
tovane_win_test(search_settings_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/SearchSettingsTest.cpp
  LIBS tovane_app)
