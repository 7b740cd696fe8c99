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

# Each Windows test's name ends in the run it belongs to: _win32 (the 32-bit build in a 32-bit prefix, as on
# 32-bit Windows), _win64 (the 32-bit build in a 64-bit prefix, under WOW64 as on 64-bit Windows 10 and 11)
# or _x64 (the x86-64 build in a 64-bit prefix). Each prefix has its own display, so one test of each runs
# at a time, side by side. A host that runs no 32-bit program cannot start the 32-bit build: its tests are
# reported as skipped, and the x86-64 build runs the whole Windows tier and every end-to-end module instead.
tier "Windows builds, Windows tests under Wine and end-to-end tests"
if python3 tools/host_kind.py; then
  echo "The 32-bit build runs in a 32-bit and a 64-bit prefix; the x86-64 build's Windows tests in a 64-bit prefix."
  x64_tests=(-LE e2e)
else
  echo "The 32-bit build, which the medium ships, is built and its Wine tests are skipped; the x86-64 build runs"
  echo "every Windows test and end-to-end module in a 64-bit prefix, through Wine's 64-bit loader."
  x64_tests=()
fi
preset win build-only
preset win-x64 build-only
for arch in win32 win64; do
  echo "$(ctest --preset win -N -R "_$arch\$" | grep -c 'Test *#') tests of the 32-bit build in the $arch run"
done
echo "$(ctest --preset win-x64 -N "${x64_tests[@]}" | grep -c 'Test *#') tests of the x86-64 build in the x64 run"
status=0
ctest --preset win || status=1
# CTest lists skipped tests without their reason; each one printed it.
grep -h '^skipped: ' build/win/Testing/Temporary/LastTest.log | sort | uniq -c || true
ctest --preset win-x64 "${x64_tests[@]}" || status=1
exit $status
