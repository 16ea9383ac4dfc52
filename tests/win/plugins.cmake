# The plug-in host under Wine, with real modules from tests/plugins. The test program lives in a
# folder of its own, so that its program folder (a search location) holds only what the tests
# put there.
tovane_win_test(plugins_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/pluginsWrapperTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/pluginsCollectionTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/pluginsTestSupport.cpp
  LIBS tovane_plugins)
if(TARGET plugins_tests)
  set_target_properties(plugins_tests PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin/plugins_tests)
  add_dependencies(plugins_tests ${tovane_host_test_plugins})
endif()
