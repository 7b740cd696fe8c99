# cmake/Windows.cmake: the launcher executable, its resources, the test-only tools and the Windows test tiers.
add_compile_options(-Wall -Wextra -ffunction-sections -fdata-sections)
# Release code is optimised for size as far as GCC goes (-Oz; the last -O given wins): every byte of the
# launcher is read from the medium at each start, and nothing it runs is bound by the processor.
add_compile_options($<$<CONFIG:Release>:-Oz>)
# Release executables drop unused sections and their symbols.
add_link_options($<$<CONFIG:Release,MinSizeRel>:LINKER:--gc-sections> $<$<CONFIG:Release,MinSizeRel>:-s>)
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0501 WINVER=0x0501)
# No PE time stamp, so the same sources give the same executable at any time.
add_link_options(LINKER:--no-insert-timestamp)

# Artwork for the resources is generated, never edited by hand.
set(ART_DIR ${CMAKE_BINARY_DIR}/art)
add_custom_command(
  OUTPUT ${ART_DIR}/builtin.bmp ${ART_DIR}/builtin-png.bmp ${ART_DIR}/MAINICON.ico
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/art/make_art.py resources ${ART_DIR}
  DEPENDS ${CMAKE_SOURCE_DIR}/tools/art/make_art.py
  COMMENT "Generating the built-in picture and the icon")
add_custom_target(launcher_art DEPENDS ${ART_DIR}/builtin.bmp ${ART_DIR}/builtin-png.bmp ${ART_DIR}/MAINICON.ico)

# Everything of the launcher but its entry, so the Windows tests can link it.
add_library(launcher_win STATIC
  app/Application.cpp
  app/ErrorBox.cpp
  app/SessionLauncher.cpp
  menu/InstallForm.cpp
  menu/MenuAccessible.cpp
  menu/MenuActions.cpp
  menu/MenuKeyboard.cpp
  platform/BitmapLoader.cpp
  platform/ErrorMode.cpp
  platform/FileProbe.cpp
  platform/Gdi.cpp
  platform/Guard.cpp
  platform/Image.cpp
  platform/OleAutomation.cpp
  platform/Oleacc.cpp
  platform/Picture.cpp
  platform/PngDecoder.cpp
  platform/Process.cpp
  platform/Registry.cpp
  platform/SessionMutex.cpp
  platform/Sound.cpp
  platform/SystemLibrary.cpp
  platform/SystemError.cpp
  platform/AnsiText.cpp
  platform/UserLanguage.cpp
  platform/Window.cpp
  platform/Wow64.cpp
  uninstall/DriverRemoval.cpp
  uninstall/SelectForm.cpp
)
# Only known DLLs are imported; other system libraries are loaded from the system folder at first use.
# uuid is a static library of interface and class identifiers.
target_link_libraries(launcher_win PUBLIC launcher_core user32 gdi32 advapi32 uuid)

# Launch compiles the launcher's sources itself rather than linking launcher_win: in Release they are optimised
# across files when it links (LTO), which the tests' plain links of launcher_win could not take.
get_target_property(core_sources launcher_core SOURCES)
get_target_property(win_sources launcher_win SOURCES)
add_executable(Launch WIN32 ${core_sources} ${win_sources} app/Main.cpp app/CleanupPersonality.cpp
  app/ExceptionGlobals.cpp app/LibraryErrors.cpp app/LibraryString.cpp app/MathErrors.cpp app/Terminate.cpp
  resources/launcher.rc)
target_compile_options(Launch PRIVATE $<$<CONFIG:Release>:-flto>)
# The launcher uses no dynamic_cast or typeid: without RTTI only the thrown types keep their type information
# (3 KiB). All its code runs on one thread (the screen-reader object lives in that thread's single-threaded
# apartment), so its function-local statics need no lock (2 KiB).
target_compile_options(Launch PRIVATE -fno-rtti -fno-threadsafe-statics)
# 32-bit Windows keeps its stack 4-byte aligned, and the system calls into the launcher with no more. GCC's
# default pads frames to 16 bytes for no gain there (GCC 14: 512 bytes of code).
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  target_compile_options(Launch PRIVATE -mpreferred-stack-boundary=2)
endif()
target_link_options(Launch PRIVATE $<$<CONFIG:Release>:-flto> LINKER:-Map=$<TARGET_FILE_DIR:Launch>/Launch.map)
# Launch links the runtime of MinGW's win32 thread model, whose unwinder locks with Windows' own primitives;
# the posix model's brings winpthread (31 KiB) into a program that starts no thread. The launcher's own code
# uses no thread primitive from the posix model's headers (the size budget would show winpthread coming back).
# The tests keep the posix model, since GoogleTest needs std::mutex.
execute_process(COMMAND ${CMAKE_C_COMPILER} -print-libgcc-file-name OUTPUT_VARIABLE posix_libgcc
  OUTPUT_STRIP_TRAILING_WHITESPACE)
get_filename_component(posix_runtime ${posix_libgcc} DIRECTORY)
string(REGEX REPLACE "-posix$" "-win32" win32_threads_runtime ${posix_runtime})
if(NOT EXISTS ${win32_threads_runtime}/libstdc++.a)
  message(FATAL_ERROR "no win32 thread model runtime in ${win32_threads_runtime} (tools/setup.sh installs it)")
endif()
target_link_options(Launch PRIVATE -L${win32_threads_runtime})
# Bytes the Release Launch.exe may have (tests/win: launcher_size). 128 KiB for the 32-bit build, which carries
# the DWARF unwinder that the x86-64 build's table-based unwinding spares it. 112 KiB for the x86-64 one, the
# launcher the benchmarks measure on hosts that run no 32-bit program: it stays below the floor program plus
# the 100 KiB that a start may fetch over it.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(LAUNCHER_SIZE_BUDGET 114688)
else()
  set(LAUNCHER_SIZE_BUDGET 131072)
endif()
add_dependencies(Launch launcher_art)
set_source_files_properties(resources/launcher.rc PROPERTIES
  OBJECT_DEPENDS "${ART_DIR}/builtin-png.bmp;${ART_DIR}/MAINICON.ico;${CMAKE_SOURCE_DIR}/resources/Launch.manifest")
target_include_directories(Launch PRIVATE ${CMAKE_SOURCE_DIR} ${ART_DIR} ${CMAKE_SOURCE_DIR}/resources)
target_link_libraries(Launch PRIVATE user32 gdi32 advapi32 uuid)
# Run from the swap file when started from a CD, so a disc taken out later cannot fault a page of it in.
# Before any signature, which covers the header.
add_custom_command(TARGET Launch POST_BUILD
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/run_from_swap.py $<TARGET_FILE:Launch>
  VERBATIM)

add_subdirectory(tools)
include(cmake/WineRuns.cmake)
add_subdirectory(tests/win)
add_subdirectory(tests/e2e)
