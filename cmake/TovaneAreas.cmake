# The program's areas, each a library of its own built from its folder by pattern, linked only
# to the areas below it, so that a dependency pointing back up fails to link:
#
#   app        entry, main window, folder search: the composition root (Windows builds)
#   slideshow  the slideshow window                                  (Windows builds)
#   dialogs    the dialogs                                           (Windows builds)
#   imaging    decoding and the slideshow's picture pipeline         (Windows builds)
#   plugins    the plug-in host                                      (Windows builds)
#   settings   the settings record and the image extension list      (portable only)
#   framework  the component runtime                    (framework/CMakeLists.txt)
#
# <area>/portable/*.cpp -> tovane_<area>_portable (all three builds; no <windows.h>); the
# native tests reach all of them through tovane_portable.
# <area>/*.cpp          -> tovane_<area> (Windows builds), except app/main.cpp, which with
# app/*.rc makes Tovane.exe.
# A folder may add further targets of its own in its CMakeLists.txt (included afterwards).

function(tovane_portable_library area)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${area}/portable/*.cpp)
  add_library(tovane_${area}_portable STATIC ${sources})
  target_link_libraries(tovane_${area}_portable PUBLIC framework_portable ${ARGN})
endfunction()

tovane_portable_library(settings)
tovane_portable_library(plugins)
tovane_portable_library(imaging)
tovane_portable_library(dialogs)
tovane_portable_library(slideshow tovane_settings_portable tovane_imaging_portable)
tovane_portable_library(app tovane_settings_portable)

add_library(tovane_portable INTERFACE)
target_link_libraries(tovane_portable INTERFACE tovane_settings_portable tovane_plugins_portable
  tovane_imaging_portable tovane_dialogs_portable tovane_slideshow_portable
  tovane_app_portable)

if(WIN32)
  function(tovane_win_library area)
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${area}/*.cpp)
    list(FILTER sources EXCLUDE REGEX "/app/main\\.cpp$")
    add_library(tovane_${area} STATIC ${sources})
    target_link_libraries(tovane_${area} PUBLIC ${ARGN})
  endfunction()

  tovane_win_library(plugins tovane_plugins_portable framework_win32)
  tovane_win_library(imaging tovane_plugins tovane_imaging_portable)
  tovane_win_library(dialogs tovane_plugins tovane_dialogs_portable tovane_settings_portable)
  tovane_win_library(slideshow tovane_imaging tovane_slideshow_portable)
  tovane_win_library(app tovane_slideshow tovane_dialogs tovane_imaging tovane_app_portable)

  file(GLOB rc CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/app/*.rc)
  # The resource compiler reports no dependencies: the version resource follows the version.
  set_source_files_properties(${rc} PROPERTIES
    OBJECT_DEPENDS ${CMAKE_BINARY_DIR}/generated/TovaneVersion.h)
  add_executable(Tovane WIN32 ${CMAKE_SOURCE_DIR}/app/main.cpp ${rc})
  target_link_libraries(Tovane PRIVATE tovane_app)
endif()
