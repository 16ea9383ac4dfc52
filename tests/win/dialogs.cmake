# The options dialog and the about box, driven as real windows apart from the main window.
tovane_win_test(dialogs_tests
  dialogsOptionTest.cpp dialogsAboutBoxTest.cpp dialogsSupport.cpp
  LIBS tovane_dialogs
  DEPENDS dialogs_three dialogs_none
  TIMEOUT 180)

# The dialogs opened by the real main window, which loads the plug-ins of its own folder: the
# test runs from a folder of its own holding the three-entry plug-in only.
tovane_win_test(dialogs_mainwindow_tests dialogsMainWindowTest.cpp dialogsSupport.cpp
  LIBS tovane_app
  FOLDER dialogsmain COPY dialogs_three
  TIMEOUT 180)
