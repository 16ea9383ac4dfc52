# End-to-end tests: the real programs of a Windows build driven from outside under Wine and the
# display of the test run (scripts/test's wine-env). They use the whole screen, so they run
# alone.
if(WIN32)
  add_test(NAME e2e_slideshow
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/../e2e/slideshow.sh ${CMAKE_BINARY_DIR}/bin)
  add_test(NAME e2e_cli
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/../e2e/cli.sh ${CMAKE_BINARY_DIR}/bin)
  add_test(NAME e2e_demo
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/../e2e/demo.sh ${CMAKE_BINARY_DIR}/bin)
  add_test(NAME e2e_broken
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/../e2e/broken.sh ${CMAKE_BINARY_DIR}/bin)
  add_test(NAME e2e_archives
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/../e2e/archives.sh ${CMAKE_BINARY_DIR}/bin)
  # Under a window manager (openbox on a display of its own), with the program's windows managed.
  add_test(NAME e2e_managed
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/../e2e/managed.sh ${CMAKE_BINARY_DIR}/bin)
  set_tests_properties(e2e_slideshow e2e_demo e2e_broken e2e_cli e2e_managed e2e_archives
    PROPERTIES TIMEOUT 900 RUN_SERIAL TRUE)
endif()
