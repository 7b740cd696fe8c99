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

tier "Windows build, Windows tests under Wine and end-to-end tests"
cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" > /dev/null
cmake --build build/win -j$jobs
ctest --test-dir build/win --output-on-failure --no-tests=error
