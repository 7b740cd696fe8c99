# cmake/mingw-i686.cmake: cross-compiles for 32-bit Windows, the build the medium ships.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TOOLCHAIN_PREFIX i686-w64-mingw32)
# Debian's wine script, which picks the 32-bit loader where wine32 is installed.
set(WINE_LOADER wine)
include(${CMAKE_CURRENT_LIST_DIR}/MinGW.cmake)
