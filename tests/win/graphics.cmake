# The Win32 graphics classes: drawing, palettes, files, the picture container.
tovane_win_test(graphics_win_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/graphicsTest.cpp
  LIBS framework_win32)
