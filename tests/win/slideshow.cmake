# The slideshow's portable rules once more, built with the MinGW compiler: its long double must
# give the same 80-bit placement results as the native build.
tovane_win_test(slideshow_rules_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/../native/slideshow/PlacementTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../native/slideshow/NavigationTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../native/slideshow/TextsTest.cpp
  LIBS tovane_portable)
