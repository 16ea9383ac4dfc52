# Run by the win64 build (cmake -P): builds targets of the win32 build and copies what they
# made into the win64 build.
#   -DSOURCE=dir -DWIN32_BUILD=dir -DWERROR=ON|OFF -DTARGETS=a;b -DCOPIES=from=to;...
# A win32 build folder that is not configured yet is configured as scripts/build does it; one
# that is, is used as it stands. FROM paths are relative to the win32 build's bin/, TO paths
# absolute.
foreach(v SOURCE WIN32_BUILD TARGETS)
  if(NOT ${v})
    message(FATAL_ERROR "Win32Parts.cmake: ${v} is missing")
  endif()
endforeach()
if(NOT EXISTS ${WIN32_BUILD}/CMakeCache.txt)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${WIN32_BUILD} -G Ninja
            -DCMAKE_TOOLCHAIN_FILE=${SOURCE}/cmake/mingw-w64-i686.cmake -DTOVANE_WERROR=${WERROR}
    OUTPUT_QUIET
    COMMAND_ERROR_IS_FATAL ANY)
endif()
set(target_args "")
foreach(t ${TARGETS})
  list(APPEND target_args --target ${t})
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${WIN32_BUILD} ${target_args}
                COMMAND_ERROR_IS_FATAL ANY)
foreach(copy ${COPIES})
  string(REPLACE "=" ";" pair "${copy}")
  list(GET pair 0 from)
  list(GET pair 1 to)
  file(COPY_FILE ${WIN32_BUILD}/bin/${from} ${to} ONLY_IF_DIFFERENT)
endforeach()
