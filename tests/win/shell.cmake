tovane_win_test(shell_framework_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/shell_FrameworkTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/shell_Support.cpp
  LIBS framework_win32)

# The main window loads its plug-ins from the program's folder, so its test runs from a folder
# of its own holding one import plug-in and one archive plug-in.
tovane_win_test(shell_mainwindow_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/shell_MainWindowTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/shell_Support.cpp
  LIBS tovane_app)
if(TARGET shell_mainwindow_tests)
  set_target_properties(shell_mainwindow_tests PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin/shellmain)
  if(TARGET in_formats AND TARGET am_full)
    add_dependencies(shell_mainwindow_tests in_formats am_full)
    add_custom_command(TARGET shell_mainwindow_tests POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:in_formats>
              $<TARGET_FILE:am_full> ${CMAKE_BINARY_DIR}/bin/shellmain/)
  endif()
endif()

# The tool scripts/run uses to watch a running Tovane.exe (not a test).
if(WIN32)
  add_executable(shell_probe ${CMAKE_CURRENT_LIST_DIR}/shell_Probe.cpp)
  target_link_libraries(shell_probe PRIVATE comctl32)
endif()
if(TARGET shell_mainwindow_tests AND TARGET no_info)
  add_dependencies(shell_mainwindow_tests no_info)
endif()

# Tovane.exe itself, started as a separate process.
tovane_win_test(shell_app_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/shell_AppTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/shell_Support.cpp
  LIBS framework_win32)
if(TARGET shell_app_tests AND TARGET Tovane)
  add_dependencies(shell_app_tests Tovane)
  if(TARGET no_info)
    add_dependencies(shell_app_tests no_info)
  endif()
endif()
