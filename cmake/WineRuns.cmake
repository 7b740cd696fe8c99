# cmake/WineRuns.cmake: the Wine runs of this build's Windows and end-to-end tests, and how a test of a run
# the host cannot start is reported.
#
# A run is named by the suffix its tests' names end in. The 32-bit build runs twice: win32, in a 32-bit
# prefix as on 32-bit Windows, and win64, in a 64-bit prefix where it runs under WOW64 as on 64-bit Windows
# 10 and 11. The x86-64 build runs once: x64, in a 64-bit prefix, started by Wine's 64-bit loader.
# Where the host runs 32-bit programs only through emulation (WINE_EMULATED), both runs go through the loaders
# of tools/emulated_wine.py's folder: win64 through its 64-bit loader (EMULATED_WINE_LOADER), which emulates
# only the 32-bit processes, win32 through its 32-bit one, which emulates every Wine process but the server.
set(WINE_EMULATED FALSE)
# Emulated code runs several times slower than native once started: the tests' time limits are this many times
# longer there.
set(WINE_TIME_FACTOR 1)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(WIN_ARCHES x64)
  set(HOST_RUNS_32BIT TRUE)  # nothing here needs it
else()
  set(WIN_ARCHES win32 win64)
  # Wine starts 32-bit programs only through its 32-bit loader (wine32), which some hosts' kernels refuse and
  # which a package mirror may fail to give.
  execute_process(COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/host_kind.py
    RESULT_VARIABLE host_kind_status OUTPUT_VARIABLE HOST_KIND OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(host_kind_status EQUAL 0)
    set(HOST_RUNS_32BIT TRUE)
  elseif(host_kind_status EQUAL 3)
    set(HOST_RUNS_32BIT TRUE)
    set(WINE_EMULATED TRUE)
    set(WINE_TIME_FACTOR 3)
    execute_process(COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/emulated_wine.py
      RESULT_VARIABLE status OUTPUT_VARIABLE EMULATED_WINE_LOADER OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "${EMULATED_WINE_LOADER}")
    endif()
    get_filename_component(emulated_wine_folder ${EMULATED_WINE_LOADER} DIRECTORY)
    execute_process(COMMAND qemu-i386-static --version OUTPUT_VARIABLE qemu_version)
    string(REGEX MATCH "version ([0-9]+)" qemu_version "${qemu_version}")
    set(QEMU_MAJOR ${CMAKE_MATCH_1})
    message(STATUS "${HOST_KIND} The 32-bit build's runs go through the loaders in ${emulated_wine_folder}.")
  elseif(host_kind_status EQUAL 2)
    message(FATAL_ERROR "${HOST_KIND}")
  else()
    set(HOST_RUNS_32BIT FALSE)
    message(STATUS "${HOST_KIND} The 32-bit build's Windows and end-to-end tests are skipped.")
  endif()
endif()
# The last run is the one in a 64-bit prefix, where most users are.
list(GET WIN_ARCHES -1 WIN_MAIN_ARCH)

# What a 64-bit launcher cannot show, and so what is lost where the 32-bit runs are skipped.
set(WINE_SKIP_win32 "the 32-bit prefix, as on 32-bit Windows, and the 32-bit image header")
set(WINE_SKIP_win64 "WOW64: the 32-bit launcher on 64-bit Windows, its own registry view, and the 32-bit image header")

# wine_loader(OUT ARCH): the Wine loader of a run: the toolchain's (Debian's wine script for the 32-bit build,
# Wine's 64-bit loader for the x86-64 one), or the emulated folder's loader of the run's width.
function(wine_loader OUT ARCH)
  if(WINE_EMULATED AND ARCH STREQUAL win64)
    set(${OUT} ${EMULATED_WINE_LOADER} PARENT_SCOPE)
  elseif(WINE_EMULATED AND ARCH STREQUAL win32)
    get_filename_component(folder ${EMULATED_WINE_LOADER} DIRECTORY)
    set(${OUT} ${folder}/wine PARENT_SCOPE)
  else()
    set(${OUT} ${WINE_LOADER} PARENT_SCOPE)
  endif()
endfunction()

# wine_run_environment(OUT ARCH): the environment entries of a run: its prefix's architecture, and the
# loader where it is not Debian's wine script.
function(wine_run_environment OUT ARCH)
  wine_loader(loader ${ARCH})
  if(loader STREQUAL wine)
    set(${OUT} WINEARCH=${ARCH} PARENT_SCOPE)
  else()
    set(prefix_arch ${ARCH})
    if(ARCH STREQUAL x64)
      set(prefix_arch win64)
    endif()
    set(${OUT} WINEARCH=${prefix_arch} WINE=${loader} WINELOADER=${loader} PARENT_SCOPE)
  endif()
endfunction()

# add_skipped_test(NAME REASON): a test that prints why it cannot run and is reported as skipped; properties set
# on it later change nothing.
function(add_skipped_test NAME REASON)
  add_test(NAME ${NAME} COMMAND sh -c "echo \"skipped: $1\"; exit 77" skip "${REASON}")
  set_tests_properties(${NAME} PROPERTIES SKIP_RETURN_CODE 77)
endfunction()

# add_wine_test(NAME ARCH args of add_test after NAME...): a test of run ARCH, or, where the host cannot start
# the run, a skipped test that says why.
function(add_wine_test NAME ARCH)
  if(HOST_RUNS_32BIT)
    add_test(NAME ${NAME} ${ARGN})
  else()
    add_skipped_test(${NAME}
      "${HOST_KIND} Its x86-64 twin runs as _x64, but a 64-bit launcher cannot show ${WINE_SKIP_${ARCH}}.")
  endif()
endfunction()
