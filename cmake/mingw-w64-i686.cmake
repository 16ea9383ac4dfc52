# 32-bit Windows build: loads *.spi plug-ins; compiled and linked here, never run.
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
