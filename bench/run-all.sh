#!/usr/bin/env bash
# Builds in Release and runs every benchmark script (bench/*_bench.sh); each
# prints its figures as lines "name: value unit".
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-bench"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null
export QUARNEL_BENCH_BUILD="$build"
for script in "$root"/bench/*_bench.sh; do
  [ -e "$script" ] || continue
  bash "$script"
done
