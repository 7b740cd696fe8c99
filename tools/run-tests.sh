#!/usr/bin/env bash
# tools/run-tests.sh: installs what is missing, builds, and runs every test tier; fails when any tier fails.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh

tier() { echo; echo "=== $1"; }
# Configures, builds and tests one of the configurations named in CMakePresets.json (folder build/NAME).
preset() {
  cmake --preset "$1" > /dev/null
  cmake --build --preset "$1"
  [ "${2:-}" = build-only ] || ctest --preset "$1"
}

tier "host unit tests"
preset host

tier "host unit tests under AddressSanitizer and UBSan"
preset host-sanitize

tier "fuzzing the bitmap reader for 60 s (libFuzzer, AddressSanitizer, UBSan)"
tests/fuzz/run.sh 60

# Each test's name ends in the Wine architecture it runs in: _win32 (a 32-bit prefix, as on 32-bit
# Windows) or _win64 (a 64-bit prefix, the launcher under WOW64 as on 64-bit Windows 10 and 11). The two
# architectures have separate prefixes and displays, so one test of each runs at a time, side by side.
tier "Windows build, Windows tests under Wine and end-to-end tests, in a 32-bit and a 64-bit prefix"
preset win build-only
for arch in win32 win64; do
  echo "$(ctest --preset win -N -R "_$arch\$" | grep -c 'Test *#') tests run in the $arch prefix"
done
ctest --preset win
