# The options dialog and the about box, driven as real windows. The dialogs' units are built
# into the test directly, so that they are tested apart from the main window.
set(dialogs_units
  ${CMAKE_SOURCE_DIR}/dialogs/FormOptionU.cpp
  ${CMAKE_SOURCE_DIR}/dialogs/FormOptionU.form.cpp
  ${CMAKE_SOURCE_DIR}/dialogs/FormAboutBoxU.cpp
  ${CMAKE_SOURCE_DIR}/dialogs/FormAboutBoxU.form.cpp)
tovane_win_test(dialogs_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/dialogsOptionTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dialogsAboutBoxTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dialogsSupport.cpp
    ${dialogs_units}
  LIBS tovane_plugins tovane_portable)
if(TARGET dialogs_tests)
  add_dependencies(dialogs_tests dialogs_three dialogs_none)
  if(TEST dialogs_tests)
    set_tests_properties(dialogs_tests PROPERTIES TIMEOUT 180)
  endif()
endif()

# The dialogs opened by the real main window, which loads the plug-ins of its own folder: the
# test runs from a folder of its own holding the three-entry plug-in only.
tovane_win_test(dialogs_mainwindow_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/dialogsMainWindowTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dialogsSupport.cpp
  LIBS tovane_ui)
if(TARGET dialogs_mainwindow_tests)
  set_target_properties(dialogs_mainwindow_tests PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin/dialogsmain)
  add_dependencies(dialogs_mainwindow_tests dialogs_three)
  add_custom_command(TARGET dialogs_mainwindow_tests POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:dialogs_three>
            ${CMAKE_BINARY_DIR}/bin/dialogsmain/)
  if(TEST dialogs_mainwindow_tests)
    set_tests_properties(dialogs_mainwindow_tests PROPERTIES TIMEOUT 180)
  endif()
endif()
