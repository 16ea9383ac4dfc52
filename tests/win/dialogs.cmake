# The options dialog and the about box, driven as real windows. The dialogs' units are built
# into the test directly, so that they are tested apart from the main window.
tovane_win_test(dialogs_tests
  dialogsOptionTest.cpp dialogsAboutBoxTest.cpp dialogsSupport.cpp
  ${CMAKE_SOURCE_DIR}/dialogs/FormOptionU.cpp ${CMAKE_SOURCE_DIR}/dialogs/FormOptionU.form.cpp
  ${CMAKE_SOURCE_DIR}/dialogs/FormAboutBoxU.cpp ${CMAKE_SOURCE_DIR}/dialogs/FormAboutBoxU.form.cpp
  LIBS tovane_plugins tovane_portable
  DEPENDS dialogs_three dialogs_none
  TIMEOUT 180)

# The dialogs opened by the real main window, which loads the plug-ins of its own folder: the
# test runs from a folder of its own holding the three-entry plug-in only.
tovane_win_test(dialogs_mainwindow_tests dialogsMainWindowTest.cpp dialogsSupport.cpp
  LIBS tovane_ui
  FOLDER dialogsmain COPY dialogs_three
  TIMEOUT 180)
