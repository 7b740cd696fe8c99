#!/usr/bin/env bash
# tools/soak.sh: the full end-to-end soak: 10,000 zone entries and exits and 200 uninstall dialog cycles.
#
# Usage: [E2E_WINEARCH=win32|win64|x64] tools/soak.sh [WINBUILDDIR] [ENTRIES] [DIALOG_CYCLES]
#   WINBUILDDIR defaults to the test command's Windows build of the run (Launch.exe, the probe, the
#   stand-ins): build/win, or build/win-x64 for x64, the one a host that runs no 32-bit program needs. The
#   template Wine prefix of the run (default win64) is made there first when missing.
# Takes about 6.5 minutes on a 2-core machine (10,000 entries at 10 ms per pointer move, one on-screen check
# per 100 entries, about 1 s per dialog cycle); the test command's e2e_test_soak runs 1,000 and 50 in
# about a minute. The GDI and memory figures of every round are printed, and
# the whole report is left in WINBUILDDIR/soak-report.json.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
arch="${E2E_WINEARCH:-win64}"
default_build="$here/build/win"
[ "$arch" != x64 ] || default_build="$here/build/win-x64"
build="$(cd "${1:-$default_build}" && pwd)"
entries="${2:-10000}"
cycles="${3:-200}"
template="$build/e2e/template-prefix-$arch"
probe="$build/tools/probe/probe.exe"

if [ ! -f "$template/system.reg" ]; then
  python3 "$here/tests/e2e/harness.py" make-template "$template" "$probe" "$arch"
fi
start=$(date +%s)
cd "$here/tests/e2e"
WINBUILDDIR="$build" E2E_SOURCE_DIR="$here" E2E_WINEARCH="$arch" E2E_TEMPLATE_PREFIX="$template" E2E_PROBE="$probe" \
  SOAK_ENTRIES="$entries" SOAK_DIALOG_CYCLES="$cycles" SOAK_REPORT="$build/soak-report.json" \
  python3 -B run_module.py test_soak
echo "soak ($arch prefix): $entries entries, $cycles dialog cycles in $(( $(date +%s) - start )) s; report $build/soak-report.json"
