tovane_native_test(slideshow_tests
  slideshow/PlacementTest.cpp slideshow/NavigationTest.cpp slideshow/TextsTest.cpp
  slideshow/ReadAheadTest.cpp slideshow/PictureListTest.cpp
  slideshow/PictureOrderTest.cpp slideshow/WheelTest.cpp
  slideshow/ResumePointsTest.cpp
  LIBS tovane_slideshow_portable)
