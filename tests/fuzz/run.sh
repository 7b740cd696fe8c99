#!/usr/bin/env bash
# tests/fuzz/run.sh: builds the bitmap reader's fuzz target if needed and fuzzes it for SECONDS (default 60).
#
# Seeds are the public BMP suite's files, copied into a scratch corpus that is removed afterwards; a
# finding is kept in tests/fuzz/findings/ (ignored by git) and the script exits non-zero.
# A longer run, on both cores, keeping the grown corpus:
#   FUZZ_CORPUS=/tmp/bmp-corpus FUZZ_JOBS=2 tests/fuzz/run.sh 3600
# Environment: FUZZ_BUILD_DIR (default build/fuzz), BMPSUITE_DIR (default tests/data/bmpsuite in
# the repository), FUZZ_CORPUS (keep the corpus there), FUZZ_JOBS (parallel fuzzing processes).
set -euo pipefail
seconds=${1:-60}
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${FUZZ_BUILD_DIR:-$root/build/fuzz}
suite=${BMPSUITE_DIR:-$root/tests/data/bmpsuite}
jobs=${FUZZ_JOBS:-1}

[ -d "$suite" ] || { echo "BMP suite not found at $suite" >&2; exit 1; }
if [ ! -x "$build/tests/fuzz/bitmap_fuzz" ] || [ "$root/core/BitmapFormat.cpp" -nt "$build/tests/fuzz/bitmap_fuzz" ]; then
  (cd "$root" && cmake --preset fuzz -B "$build") > "$build.cmake.log" 2>&1 || { cat "$build.cmake.log" >&2; exit 1; }
  cmake --build "$build" --target bitmap_fuzz -j2 > "$build.build.log" 2>&1 || { cat "$build.build.log" >&2; exit 1; }
fi

scratch=$(mktemp -d /tmp/bitmap-fuzz.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
corpus=${FUZZ_CORPUS:-$scratch/corpus}
findings=$build/findings
mkdir -p "$corpus" "$findings"
find "$suite" -name '*.bmp' -exec cp {} "$corpus/" \;
echo "seeds: $(ls "$corpus" | wc -l) files in $corpus; fuzzing for $seconds s"

cd "$scratch"
parallel=
[ "$jobs" -le 1 ] || parallel="-jobs=$jobs -workers=$jobs"
status=0
"$build/tests/fuzz/bitmap_fuzz" "$corpus" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -max_len=70000 -print_final_stats=1 -artifact_prefix="$findings/" \
  $parallel > "$scratch/fuzz.log" 2>&1 || status=$?
# Parallel jobs write their logs to fuzz-N.log in the working folder.
cat "$scratch"/fuzz*.log | grep -E '^#[0-9]+[[:space:]]+(INITED|DONE)|^Done|stat::|ERROR|invariant|SUMMARY|Test unit written' || true
[ "$status" -eq 0 ] || { echo "fuzzing found a failure (status $status); see $findings/" >&2; tail -40 "$scratch"/fuzz*.log >&2; }
exit "$status"
