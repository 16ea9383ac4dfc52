# The bundled import plug-ins, loaded with LoadLibraryA and called through their exports. The
# pictures are made at build time with ImageMagick, which also decodes each one into the
# reference the plug-ins' pixels are compared with.
if(NOT WIN32)
  return()
endif()
find_program(BUNDLED_CONVERT convert)
if(NOT BUNDLED_CONVERT)
  message(WARNING "ImageMagick's convert not found: the bundled plug-ins' tests are not built")
  return()
endif()
set(bundled_fixture_dir ${CMAKE_BINARY_DIR}/bin/bundled-fixtures)
set(bundled_fixture_script ${CMAKE_CURRENT_LIST_DIR}/../data/bundled/make-fixtures.sh)
add_custom_command(OUTPUT ${bundled_fixture_dir}/fixtures.stamp
  COMMAND sh ${bundled_fixture_script} ${bundled_fixture_dir}
  DEPENDS ${bundled_fixture_script} ${CMAKE_CURRENT_LIST_DIR}/../data/bundled/make-profiles.c
  COMMENT "Making the bundled plug-ins' test pictures")
add_custom_target(bundled_fixtures DEPENDS ${bundled_fixture_dir}/fixtures.stamp)

tovane_win_test(bundled_tests
  BundledSupport.cpp BundledWicTest.cpp BundledStbTest.cpp BundledLibrariesTest.cpp
  BundledColourTest.cpp
  LIBS tovane_plugins
  DEPENDS bundled_fixtures ifwic ifstb ifjpeg ifpng ifwebp ifavif)
