# cmake/MinGW.cmake: what both Windows toolchain files share: Debian's MinGW-w64 (posix threads) for
# TOOLCHAIN_PREFIX, and WINE_LOADER, the Wine loader that starts the built programs.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER   ${TOOLCHAIN_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${TOOLCHAIN_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Link the GCC runtime, libstdc++ and winpthread into every executable so it
# imports nothing but Windows system DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Tests built for Windows run under Wine, without address space randomisation: Debian's Wine has no
# preloader, and a randomised loader heap now and then covers the shared user data page every Windows process
# needs, which ends the program at once. A run's environment may name another loader in WINE.
set(CMAKE_CROSSCOMPILING_EMULATOR sh -c "exec setarch --addr-no-randomize \"\${WINE:-${WINE_LOADER}}\" \"\$@\"" wine)
