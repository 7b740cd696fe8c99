#!/usr/bin/env bash
# tools/soak.sh: the full end-to-end soak: 10,000 zone entries and exits and 200 uninstall dialog cycles.
#
# Usage: [E2E_WINEARCH=win32|win64] tools/soak.sh [WINBUILDDIR] [ENTRIES] [DIALOG_CYCLES]
#   WINBUILDDIR defaults to build/win, the test command's Windows build (Launch.exe, the probe, the
#   stand-ins). The template Wine prefix of the architecture (default win64) is made there first when missing.
# Takes about 6.5 minutes on a 2-core machine (10,000 entries at 10 ms per pointer move, one on-screen check
# per 100 entries, about 1 s per dialog cycle); the test command's e2e_test_soak runs 1,000 and 50 in
# about a minute. The GDI and memory figures of every round are printed, and
# the whole report is left in WINBUILDDIR/soak-report.json.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$here/build/win}" && pwd)"
entries="${2:-10000}"
cycles="${3:-200}"
arch="${E2E_WINEARCH:-win64}"
template="$build/e2e/template-prefix-$arch"
probe="$build/tools/probe/probe.exe"

if [ ! -f "$template/system.reg" ]; then
  python3 "$here/tests/e2e/harness.py" make-template "$template" "$probe" "$arch"
fi
start=$(date +%s)
cd "$here/tests/e2e"
WINBUILDDIR="$build" E2E_SOURCE_DIR="$here" E2E_WINEARCH="$arch" E2E_TEMPLATE_PREFIX="$template" E2E_PROBE="$probe" \
  SOAK_ENTRIES="$entries" SOAK_DIALOG_CYCLES="$cycles" SOAK_REPORT="$build/soak-report.json" \
  python3 -B -m unittest -v test_soak
echo "soak ($arch prefix): $entries entries, $cycles dialog cycles in $(( $(date +%s) - start )) s; report $build/soak-report.json"
