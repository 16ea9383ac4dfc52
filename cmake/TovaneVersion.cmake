# The program's version, from one place: `git describe --tags --always --dirty` of the checkout
# (the nearest tag, else the commit; "-dirty" when tracked files are changed), or the project's
# version outside a checkout. It is computed at every configure (scripts/build configures each
# time) into generated/TovaneVersion.h, which the about box and the version resource read and
# which is rewritten only when the text changes. The package names its zips after it.
#   TOVANE_VERSION          the text, e.g. "v1.2-3-g9cdfc2c" or "9cdfc2c-dirty"
#   TOVANE_VERSION_NUMBERS  four numbers for the version resource: a tag's "v1.2.3" gives
#                           1,2,3,<commits since the tag>; no tag gives the project's version
#                           and the number of commits
#   TOVANE_SOURCE_EPOCH     the commit's time (seconds since 1970): the packages' file times
find_package(Git QUIET)

function(tovane_git out)
  set(${out} "" PARENT_SCOPE)
  if(NOT GIT_FOUND)
    return()
  endif()
  execute_process(COMMAND ${GIT_EXECUTABLE} ${ARGN}
                  WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                  OUTPUT_VARIABLE text OUTPUT_STRIP_TRAILING_WHITESPACE
                  ERROR_QUIET RESULT_VARIABLE status)
  if(status EQUAL 0)
    set(${out} "${text}" PARENT_SCOPE)
  endif()
endfunction()

tovane_git(TOVANE_VERSION describe --tags --always --dirty)
tovane_git(TOVANE_SOURCE_EPOCH log -1 --format=%ct)
if(TOVANE_VERSION STREQUAL "")
  set(TOVANE_VERSION "${PROJECT_VERSION}")
endif()
# It becomes part of file names and of a C string: keep to safe characters.
string(REGEX REPLACE "[^A-Za-z0-9._+-]" "_" TOVANE_VERSION "${TOVANE_VERSION}")
if(NOT TOVANE_SOURCE_EPOCH MATCHES "^[0-9]+$")
  set(TOVANE_SOURCE_EPOCH 946684800) # 2000-01-01
endif()

set(major ${PROJECT_VERSION_MAJOR})
set(minor ${PROJECT_VERSION_MINOR})
set(patch 0)
set(build 0)
if(TOVANE_VERSION MATCHES "^v?([0-9]+)\\.([0-9]+)(\\.([0-9]+))?(-([0-9]+)-g[0-9a-f]+)?(-dirty)?$")
  set(major ${CMAKE_MATCH_1})
  set(minor ${CMAKE_MATCH_2})
  if(CMAKE_MATCH_4)
    set(patch ${CMAKE_MATCH_4})
  endif()
  if(CMAKE_MATCH_6)
    set(build ${CMAKE_MATCH_6})
  endif()
else()
  tovane_git(count rev-list --count HEAD)
  if(count MATCHES "^[0-9]+$")
    set(build ${count})
  endif()
endif()
set(TOVANE_VERSION_NUMBERS "${major},${minor},${patch},${build}")

# A commit or a checkout changes the version: configure again before the next build.
tovane_git(git_head rev-parse --git-path HEAD)
tovane_git(git_log rev-parse --git-path logs/HEAD)
foreach(f ${git_head} ${git_log})
  get_filename_component(f ${f} ABSOLUTE BASE_DIR ${CMAKE_SOURCE_DIR})
  if(EXISTS ${f})
    set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${f})
  endif()
endforeach()

configure_file(${CMAKE_CURRENT_LIST_DIR}/TovaneVersion.h.in
               ${CMAKE_BINARY_DIR}/generated/TovaneVersion.h @ONLY)
include_directories(${CMAKE_BINARY_DIR}/generated)
message(STATUS "Tovane version ${TOVANE_VERSION} (${TOVANE_VERSION_NUMBERS})")
