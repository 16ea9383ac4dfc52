# Test plug-ins of the plug-in host, one behaviour each (see SusieTestPlugin.h).
set(tovane_host_test_plugins
  in_echo in_halfpair in_noindex2 in_lowercase in_nopreview in_bare in_formats
  am_nofile am_full no_info xn_plain no_version info_padded info_packed load_marker
  in_unterminated info_endless in_byname)
foreach(p ${tovane_host_test_plugins})
  tovane_test_plugin(${p} SOURCES ${CMAKE_CURRENT_LIST_DIR}/${p}.c)
endforeach()
