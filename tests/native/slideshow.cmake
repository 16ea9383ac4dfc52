tovane_native_test(slideshow_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/slideshow/PlacementTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/slideshow/NavigationTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/slideshow/TextsTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/slideshow/ReadAheadTest.cpp
  LIBS tovane_slideshow_portable)
