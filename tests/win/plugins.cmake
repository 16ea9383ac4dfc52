# The plug-in host under Wine, with real modules from tests/plugins. The test program lives in a
# folder of its own, so that its program folder (a search location) holds only what the tests
# put there.
tovane_win_test(plugins_tests
  pluginsWrapperTest.cpp pluginsCollectionTest.cpp pluginsTestSupport.cpp
  LIBS tovane_plugins
  FOLDER plugins_tests DEPENDS ${tovane_host_test_plugins})
