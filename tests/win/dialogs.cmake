# The options dialog and the about box, driven as real windows apart from the main window.
tovane_win_test(dialogs_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/dialogsOptionTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dialogsAboutBoxTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dialogsSupport.cpp
  LIBS tovane_dialogs)
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
  LIBS tovane_app)
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
