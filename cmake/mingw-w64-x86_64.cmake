# Cross build for 64-bit Windows with the MinGW-w64 toolchain (Debian's
# g++-mingw-w64-x86-64-win32). Programs are linked statically, so the .exe
# needs no toolchain DLLs beside it and runs as it is under Wine or Windows.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KV319_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KV319_MINGW_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${KV319_MINGW_PREFIX}-g++)
set(CMAKE_RC_COMPILER ${KV319_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KV319_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
