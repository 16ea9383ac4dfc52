# What the two Windows toolchains share; each sets CMAKE_SYSTEM_PROCESSOR and includes this.
set(CMAKE_SYSTEM_NAME Windows)
set(tovane_mingw ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
set(CMAKE_C_COMPILER ${tovane_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${tovane_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${tovane_mingw}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${tovane_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Both builds' programs run here under Wine (wine64 hands 32-bit ones to Wine's 32-bit half).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
