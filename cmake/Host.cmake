# cmake/Host.cmake: host build, unit tests of the platform-free logic, optionally under sanitizers.
option(SANITIZE "Build with AddressSanitizer and UBSan" OFF)
if(SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
  target_compile_options(launcher_core PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer)
endif()

find_package(GTest REQUIRED)
add_subdirectory(tests/host)
add_subdirectory(tools/skincheck)
add_subdirectory(tools/bench)

# The bitmap reader's fuzz target: cmake -S . -B build/fuzz -DFUZZ=ON -DCMAKE_CXX_COMPILER=clang++
option(FUZZ "Build the libFuzzer target of the bitmap reader (clang only)" OFF)
if(FUZZ)
  add_subdirectory(tests/fuzz)
endif()
