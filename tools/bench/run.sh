#!/usr/bin/env bash
# tools/bench/run.sh: builds what the benchmarks need, runs them and writes the table to build/bench/results.md
# (and, on an emulated host, the 32-bit launcher's bytes to build/bench/win-emulated/results.md).
# Not part of the tests; mounts FUSE file systems, so it runs as root. Usage: tools/bench/run.sh [--runs N] [--disc-runs N]
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
out=build/bench

tools/setup.sh

# build FOLDER TOOLCHAIN: the Windows programs the benchmarks start, in Release.
build() {
  cmake -S . -B "$1" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$2.cmake" -DCMAKE_BUILD_TYPE=Release > /dev/null
  cmake --build "$1" -j2 --target Launch Setup CardRemover TunerSetup probe startwatch bench_floor > "$1-build.log"
}

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
    "would measure the emulator: this host measures the x86-64 launcher, and the 32-bit one's bytes alone."
  toolchain=mingw-x86_64 win=$out/win-x64
  export E2E_WINEARCH=x64
fi
build "$win" $toolchain
cmake -S . -B $out/host -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build $out/host -j2 --target bitmap_read_bench > $out/host-build.log

python3 -B tools/bench/bench.py --win "$win" --host $out/host --out $out "$@"

# Through emulation, the bytes the shipped 32-bit launcher fetches per start are counts all the same: it runs
# under WOW64 in a 64-bit prefix through tools/emulated_wine.py's loader, and only its bytes are reported.
if [ "$host_kind_status" -eq 3 ]; then
  build $out/win mingw-i686
  loader=$(python3 tools/emulated_wine.py)
  E2E_WINEARCH=win64 E2E_EMULATED=1 E2E_WINE_LOADER="$loader" WINE="$loader" WINELOADER="$loader" WINEARCH=win64 \
    python3 -B tools/bench/bench.py --bytes-only --win $out/win --out $out/win-emulated --disc-runs 3
fi
