#!/usr/bin/env bash
# tools/bench/run.sh: builds what the benchmarks need, runs them and writes the table to build/bench/results.md.
# Not part of the tests; mounts FUSE file systems, so it runs as root. Usage: tools/bench/run.sh [--runs N] [--disc-runs N]
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
out=build/bench

tools/setup.sh

cmake -S . -B $out/win -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build $out/win -j2 --target Launch Setup CardRemover TunerSetup probe startwatch bench_floor > $out/win-build.log
cmake -S . -B $out/host -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build $out/host -j2 --target bitmap_read_bench > $out/host-build.log

python3 -B tools/bench/bench.py --win $out/win --host $out/host --out $out "$@"
