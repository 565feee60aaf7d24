#!/usr/bin/env bash
# Decompression speed of the bzip2 stream on ~300 MB of mixed content
# (binaries, text, random bytes; a third each) compressed with bzip2 -9,
# against libbz2's own loop and the bzip2 tool, in MB of output per CPU
# second. Scratch files live in a temp folder for this run only.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUARNEL_BENCH_BUILD:-$root/build-bench}
if [ -z "${QUARNEL_BENCH_BUILD:-}" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" -j2 --target BZip2_bench >/dev/null
fi
part=$((100 * 1000 * 1000))

scratch=$(mktemp -d "${TMPDIR:-/tmp}/bzip2_bench.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

# The files named on stdin, repeated until `part` bytes have been written.
fill() {
  local list="$scratch/list"
  cat >"$list"
  for _ in 1 2 3 4 5 6 7 8; do xargs -d '\n' cat <"$list" 2>/dev/null || true; done | head -c "$part"
}
{
  find /usr/bin /usr/lib/x86_64-linux-gnu -type f -size +16k 2>/dev/null | sort | fill || true
  find /usr/include /usr/share/doc -type f \( -name '*.h' -o -name 'copyright' -o -name '*.txt' \) 2>/dev/null | sort | fill || true
  head -c "$part" /dev/urandom
} >"$scratch/data"
size=$(stat -c %s "$scratch/data")
bzip2 -9 -k "$scratch/data"

"$build/bench/BZip2_bench" "$scratch/data.bz2"

# CPU time, as the program above counts it.
TIMEFORMAT='%3U %3S'
cpu=$({ time bzip2 -dc "$scratch/data.bz2" >/dev/null; } 2>&1)
awk -v s="$size" -v t="$cpu" \
  'BEGIN { split(t, p, " "); printf "bzip2 -dc %.0fMB: %.1f MB/s\n", s / 1e6, s / 1e6 / (p[1] + p[2]) }'
