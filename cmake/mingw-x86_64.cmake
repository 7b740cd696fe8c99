# cmake/mingw-x86_64.cmake: cross-compiles for x86-64 Windows, the build that runs on hosts whose kernel
# runs no 32-bit program, and that shows what only a 64-bit process gets wrong.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
# Wine's 64-bit loader, called directly: Debian's wine script picks the 32-bit one whenever wine32 is
# installed, and that one starts no program on such a host.
set(WINE_LOADER /usr/lib/wine/wine64)
include(${CMAKE_CURRENT_LIST_DIR}/MinGW.cmake)
