# The release package of a Windows build (scripts/package builds it for both):
#   cmake --build <build> --target package_zip
# writes into <build>/packages/
#   tovane-<version>-<win64|win32>.zip        Tovane.exe, tovane-cli.exe, tovane-host.exe when
#                                             the build has it (and in win64 the 32-bit
#                                             tovane-host32.exe), the bundled modules, stripped;
#                                             the user guide and the licences
#   tovane-<version>-<win64|win32>-debug.zip  their debug information, one <file>.debug each,
#                                             which each shipped file names in its debug link
# cmake/package.sh makes both from the files named here.
if(NOT WIN32 OR NOT TARGET Tovane OR NOT TARGET tovane-cli)
  return()
endif()

# Every module target under a folder and its sub-folders.
function(tovane_module_targets dir out)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  set(found "")
  foreach(t ${targets})
    get_target_property(kind ${t} TYPE)
    if(kind STREQUAL "MODULE_LIBRARY")
      list(APPEND found ${t})
    endif()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub ${subdirs})
    tovane_module_targets(${sub} more)
    list(APPEND found ${more})
  endforeach()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

set(shipped Tovane tovane-cli)
if(TARGET tovane-host)
  list(APPEND shipped tovane-host)
endif()
tovane_module_targets(${CMAKE_SOURCE_DIR}/bundled bundled_modules)
list(APPEND shipped ${bundled_modules})

set(files "")
foreach(t ${shipped})
  list(APPEND files $<TARGET_FILE:${t}>)
endforeach()
# The 64-bit package holds the 32-bit host too, for the 32-bit modules (cmake/TovaneWin32Parts.cmake).
if(TARGET tovane-host32)
  list(APPEND files ${CMAKE_BINARY_DIR}/bin/tovane-host32.exe)
endif()

if(TOVANE_WIN64)
  set(package_arch win64)
else()
  set(package_arch win32)
endif()

add_custom_target(package_zip
  COMMAND bash ${CMAKE_SOURCE_DIR}/cmake/package.sh
          --arch ${package_arch} --version ${TOVANE_VERSION} --epoch ${TOVANE_SOURCE_EPOCH}
          --objcopy ${CMAKE_OBJCOPY} --strip ${CMAKE_STRIP}
          --source ${CMAKE_SOURCE_DIR} --build ${CMAKE_BINARY_DIR}
          --out ${CMAKE_BINARY_DIR}/packages
          ${files}
  COMMENT "Packaging Tovane ${TOVANE_VERSION} (${package_arch})"
  VERBATIM)
add_dependencies(package_zip ${shipped})
if(TARGET tovane-host32)
  add_dependencies(package_zip tovane-host32)
endif()

