#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a bounded time.
# Usage: scripts/fuzz.sh [SECONDS_PER_TARGET]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build="$root/build-fuzz"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUARNEL_FUZZ=ON -DQUARNEL_BENCH=OFF -DQUARNEL_TESTS=OFF -DQUARNEL_WERROR=ON >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null
for target in "$build"/fuzz/*_fuzz; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus="$build/corpus/$name"
  mkdir -p "$corpus"
  echo "fuzzing $name for ${seconds}s"
  "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=0 "$corpus" \
    >"$build/$name.log" 2>&1 || { tail -50 "$build/$name.log"; echo "fuzz target $name failed"; exit 1; }
done
echo "fuzz targets ran clean"
