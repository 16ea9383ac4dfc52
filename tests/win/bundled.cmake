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

# The archive module, on archives made at build time from pictures the script makes (Python's
# zipfile and tarfile, p7zip's 7z, zstd) and on libarchive's own RAR and LZH samples, taken from
# its unpacked source package beside the libraries (bundled/deps/build-deps.sh).
find_program(BUNDLED_PYTHON python3)
find_program(BUNDLED_7Z 7z)
find_program(BUNDLED_ZSTD zstd)
if(TARGET axarchive AND BUNDLED_PYTHON AND BUNDLED_7Z AND BUNDLED_ZSTD)
  set(archive_fixture_dir ${CMAKE_BINARY_DIR}/bin/archive-fixtures)
  set(archive_fixture_script ${CMAKE_CURRENT_LIST_DIR}/../data/bundled/make-archives.py)
  add_custom_command(OUTPUT ${archive_fixture_dir}/archives.stamp
    COMMAND ${BUNDLED_PYTHON} ${archive_fixture_script} ${archive_fixture_dir}
            ${BUNDLED_DEPS_PREFIX}/../src/libarchive/libarchive/test
    COMMAND ${CMAKE_COMMAND} -E touch ${archive_fixture_dir}/archives.stamp
    DEPENDS ${archive_fixture_script}
    COMMENT "Making the archive module's test archives")
  add_custom_target(archive_fixtures DEPENDS ${archive_fixture_dir}/archives.stamp)
  tovane_win_test(bundled_archive_tests BundledArchiveTest.cpp
    DEPENDS archive_fixtures axarchive)
elseif(TARGET axarchive)
  message(WARNING "python3, 7z (p7zip-full) or zstd not found: the archive module is not tested")
endif()
