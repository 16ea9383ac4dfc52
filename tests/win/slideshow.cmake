# The slideshow's portable rules once more, built with the MinGW compiler: its long double must
# give the same 80-bit placement results as the native build.
tovane_win_test(slideshow_rules_tests
  ../native/slideshow/PlacementTest.cpp ../native/slideshow/NavigationTest.cpp
  ../native/slideshow/TextsTest.cpp
  LIBS tovane_slideshow_portable)

# The window itself, driven by keys, mouse presses and timer ticks over folders of bitmaps.
tovane_win_test(slideshow_window_tests
  slideshow/FormSlideShowTest.cpp slideshow/PluginPictureTest.cpp
  slideshow/PicturePipelineTest.cpp slideshow/PictureListingTest.cpp
  slideshow/ArchivePlaceTest.cpp DecodingSupport.cpp
  LIBS tovane_slideshow
  DEPENDS decode_any decode_error decode_slow decode_block decode_raw fault_av fault_hang
          am_list am_list_fault)
