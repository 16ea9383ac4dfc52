# Forms at 144 DPI: the test sets the prefix's LogPixels for a child process of its own and puts
# it back, so it runs alone.
tovane_win_test(dpi_tests DpiTest.cpp LIBS tovane_slideshow tovane_dialogs TIMEOUT 180 RUN_SERIAL)
