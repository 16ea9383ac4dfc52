# The Win32 graphics classes: drawing, palettes, files, the picture container.
tovane_win_test(graphics_win_tests graphicsTest.cpp LIBS framework_win32)
