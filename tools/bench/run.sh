#!/usr/bin/env bash
# tools/bench/run.sh: builds what the benchmarks need, runs them and writes the table to build/bench/results.md.
# Not part of the tests; mounts FUSE file systems, so it runs as root. Usage: tools/bench/run.sh [--runs N] [--disc-runs N]
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
out=build/bench

tools/setup.sh

# The 32-bit launcher under WOW64 (E2E_WINEARCH=win32 for a 32-bit prefix), or the x86-64 one where the host
# cannot run the 32-bit one natively (tools/host_kind.py); the report says which it measured.
host_kind_status=0
python3 tools/host_kind.py || host_kind_status=$?
[ "$host_kind_status" -ne 2 ] || exit 1
if [ "$host_kind_status" -eq 0 ]; then
  toolchain=mingw-i686 win=$out/win
  export E2E_WINEARCH="${E2E_WINEARCH:-win64}"
else
  [ "$host_kind_status" -ne 3 ] || echo "Emulated 32-bit code runs several times slower than native, so its times" \
    "would measure the emulator: this host measures the x86-64 launcher."
  toolchain=mingw-x86_64 win=$out/win-x64
  export E2E_WINEARCH=x64
fi
cmake -S . -B "$win" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain.cmake" -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build "$win" -j2 --target Launch Setup CardRemover TunerSetup probe startwatch bench_floor > "$win-build.log"
cmake -S . -B $out/host -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build $out/host -j2 --target bitmap_read_bench > $out/host-build.log

python3 -B tools/bench/bench.py --win "$win" --host $out/host --out $out "$@"
