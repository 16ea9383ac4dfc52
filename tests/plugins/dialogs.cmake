# Modules for the about box tests: three filter entries, and none at all.
foreach(p dialogs_three dialogs_none)
  tovane_test_plugin(${p} SOURCES ${CMAKE_CURRENT_LIST_DIR}/${p}.c)
endforeach()
