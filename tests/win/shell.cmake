tovane_win_test(shell_framework_tests shell_FrameworkTest.cpp shell_Support.cpp
  LIBS framework_win32)

# The main window loads its plug-ins from the program's folder, so its test runs from a folder
# of its own holding one import plug-in and one archive plug-in.
tovane_win_test(shell_mainwindow_tests shell_MainWindowTest.cpp shell_Support.cpp
  LIBS tovane_app
  FOLDER shellmain COPY in_formats am_full DEPENDS no_info)

# The tool scripts/run uses to watch a running Tovane.exe (not a test).
if(WIN32)
  add_executable(shell_probe ${CMAKE_CURRENT_LIST_DIR}/shell_Probe.cpp)
  target_link_libraries(shell_probe PRIVATE tovane_win_harness comctl32)
endif()

# Tovane.exe itself, started as a separate process.
tovane_win_test(shell_app_tests shell_AppTest.cpp shell_Support.cpp
  LIBS framework_win32
  DEPENDS Tovane no_info)
