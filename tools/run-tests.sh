#!/usr/bin/env bash
# tools/run-tests.sh: installs what is missing, builds, and runs every test tier; fails when any tier fails.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=2

tools/setup.sh

tier() { echo; echo "=== $1"; }

tier "host unit tests"
cmake -S . -B build/host -DCMAKE_BUILD_TYPE=Debug > /dev/null
cmake --build build/host -j$jobs
ctest --test-dir build/host --output-on-failure --no-tests=error

tier "host unit tests under AddressSanitizer and UBSan"
cmake -S . -B build/host-sanitize -DCMAKE_BUILD_TYPE=Debug -DSANITIZE=ON > /dev/null
cmake --build build/host-sanitize -j$jobs
ctest --test-dir build/host-sanitize --output-on-failure --no-tests=error

tier "fuzzing the bitmap reader for 60 s (libFuzzer, AddressSanitizer, UBSan)"
tests/fuzz/run.sh 60

# Each test's name ends in the Wine architecture it runs in: _win32 (a 32-bit prefix, as on 32-bit
# Windows) or _win64 (a 64-bit prefix, the launcher under WOW64 as on 64-bit Windows 10 and 11). The two
# architectures have separate prefixes and displays, so one test of each runs at a time, side by side.
tier "Windows build, Windows tests under Wine and end-to-end tests, in a 32-bit and a 64-bit prefix"
cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" > /dev/null
cmake --build build/win -j$jobs
for arch in win32 win64; do
  echo "$(ctest --test-dir build/win -N -R "_$arch\$" | grep -c 'Test *#') tests run in the $arch prefix"
done
ctest --test-dir build/win --output-on-failure --no-tests=error -j$jobs
