# The slideshow's portable rules once more, built with the MinGW compiler: its long double must
# give the same 80-bit placement results as the native build.
tovane_win_test(slideshow_rules_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/../native/slideshow/PlacementTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../native/slideshow/NavigationTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../native/slideshow/TextsTest.cpp
  LIBS tovane_portable)

# The window itself, driven by keys, mouse presses and timer ticks over folders of bitmaps.
tovane_win_test(slideshow_window_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/slideshow/FormSlideShowTest.cpp
  LIBS tovane_ui)
