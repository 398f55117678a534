# Cross-build for 64-bit Windows with MinGW-w64.
set(DORVEX_MINGW_ARCH x86_64)
set(DORVEX_WINE_NAMES wine64 wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
