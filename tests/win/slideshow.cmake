# The slideshow's portable rules once more, built with the MinGW compiler: its long double must
# give the same 80-bit placement results as the native build.
tovane_win_test(slideshow_rules_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/../native/slideshow/PlacementTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../native/slideshow/NavigationTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../native/slideshow/TextsTest.cpp
  LIBS tovane_slideshow_portable)

# The window itself, driven by keys, mouse presses and timer ticks over folders of bitmaps.
tovane_win_test(slideshow_window_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/slideshow/FormSlideShowTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/slideshow/PluginPictureTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/slideshow/PicturePipelineTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DecodingSupport.cpp
  LIBS tovane_slideshow)
if(TARGET slideshow_window_tests AND TARGET decode_any AND TARGET decode_error)
  add_dependencies(slideshow_window_tests decode_any decode_error decode_slow fault_av)
endif()
