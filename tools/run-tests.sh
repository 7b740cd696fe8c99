#!/usr/bin/env bash
# tools/run-tests.sh: installs what is missing, builds, and runs every test tier; fails when any tier fails.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh
# Which launcher build Wine can run here decides the Windows tier's path; HOST_RUNS_32BIT=1 fails here, at
# once, where the 32-bit one cannot run.
host_kind_status=0
host_kind=$(python3 tools/host_kind.py) || host_kind_status=$?
[ "$host_kind_status" -ne 2 ] || { echo "$host_kind" >&2; exit 1; }

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
# at a time, side by side. Where no 32-bit Windows program runs (the kernel refuses 32-bit programs, or wine32
# is missing), the 32-bit build's Wine tests are reported as skipped, and the x86-64 build runs the whole
# Windows tier and every end-to-end module instead. Where they run only through emulation (host_kind status
# 3), both runs of the 32-bit build go through the emulated Wine.
tier "Windows builds, Windows tests under Wine and end-to-end tests"
echo "$host_kind"
if [ "$host_kind_status" -eq 0 ]; then
  echo "The 32-bit build runs in a 32-bit and a 64-bit prefix; the x86-64 build's Windows tests in a 64-bit prefix."
  x64_tests=(-LE e2e)
elif [ "$host_kind_status" -eq 3 ]; then
  echo "The 32-bit build runs in a 32-bit and a 64-bit prefix through emulation; the x86-64 build's Windows tests"
  echo "in a 64-bit prefix."
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
ctest --preset win | tee build/win/ctest.log || status=1
# CTest lists skipped tests without their reason; each one printed it.
grep -h '^skipped: ' build/win/Testing/Temporary/LastTest.log | sort | uniq -c || true
ctest --preset win-x64 "${x64_tests[@]}" | tee build/win-x64/ctest.log || status=1

# proof NAME LOG HOW: one line on what this run proved of one launcher build, from its CTest output; HOW
# says how it ran: under which Wine, and through emulation or not.
proof() {
  local wine_tests='Test +#[0-9]+: [^ ]+_(win32|win64|x64) ' all passed skipped e2e
  all=$(grep -cE "$wine_tests" "$2" || true)
  passed=$(grep -E "$wine_tests" "$2" | grep -c ' Passed ' || true)
  skipped=$(grep -E "$wine_tests" "$2" | grep -c 'Skipped ' || true)
  e2e=$(grep -E "$wine_tests" "$2" | grep ' Passed ' | grep -c ': e2e_test_' || true)
  if [ "$passed" -gt 0 ] && [ "$passed" -eq "$all" ]; then
    echo "$1: proven $3: $passed tests passed, $e2e end-to-end modules among them."
  elif [ "$passed" -gt 0 ] && [ $((passed + skipped)) -eq "$all" ]; then
    echo "$1: proven $3 but for $skipped skipped tests (their reasons above): $passed tests passed, $e2e end-to-end modules among them."
  elif [ "$passed" -eq 0 ] && [ "$skipped" -eq "$all" ]; then
    echo "$1: built only, not run under Wine: its $skipped Wine tests were skipped."
  else
    echo "$1: NOT proven: of $all Wine tests $passed passed, $skipped were skipped and $((all - passed - skipped)) failed."
  fi
}
tier "What this run proved"
wine="Wine $(dpkg-query -W -f='${Version}' wine | sed 's/[~+-].*//')"
how="under $wine"
[ "$host_kind_status" -ne 3 ] || how+=" through emulation"
echo "Debian $(cat /etc/debian_version) ($(. /etc/os-release && echo "$VERSION_CODENAME")), $wine"
proof "32-bit launcher (the one the medium ships)" build/win/ctest.log "$how"
proof "x86-64 launcher" build/win-x64/ctest.log "under $wine"
echo "$host_kind"
exit $status
