# Cross-build for 32-bit Windows with MinGW-w64.
set(DORVEX_MINGW_ARCH i686)
set(DORVEX_WINE_NAMES wine wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
