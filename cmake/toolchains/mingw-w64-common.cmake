# Cross-build for Windows with MinGW-w64 (Debian package mingw-w64); included by the toolchain
# file of each architecture after it has set DORVEX_MINGW_ARCH (x86_64 or i686) and the Wine
# loaders to look for. The "posix" compilers carry the thread support that std::thread and
# std::mutex need.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${DORVEX_MINGW_ARCH})

set(DORVEX_MINGW_PREFIX ${DORVEX_MINGW_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${DORVEX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${DORVEX_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${DORVEX_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${DORVEX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Nothing to ship beside the DLL and the programs: the compiler's runtime goes in statically.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

# Test programs run under Wine when there is one.
find_program(DORVEX_WINE NAMES ${DORVEX_WINE_NAMES} PATHS /usr/lib/wine)
if(DORVEX_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${DORVEX_WINE})
endif()
