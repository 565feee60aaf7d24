#!/usr/bin/env bash
# The window's shaping and start-up times, each on an X server of its own
# (Xvfb); start-up is the median of five fresh starts.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUARNEL_BENCH_BUILD:-}
if [ -z "$build" ]; then
  build="$root/build-bench"
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" -j2 --target window_bench >/dev/null
fi

runs=()
for _ in 1 2 3 4 5; do
  runs+=("$(xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$build/bench/window_bench" 2>/dev/null)")
done
printf '%s\n' "${runs[@]}" | grep '^window shape' | sort -t: -k2 -n | sed -n 3p
printf '%s\n' "${runs[@]}" | grep '^window start' | sort -t: -k2 -n | sed -n 3p
