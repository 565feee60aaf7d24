#!/usr/bin/env bash
# Times `quarnel-publish build` of a 2,000-file, 600 MB client folder (text,
# random bytes and binary records) against `bzip2 -9` of the same files one
# at a time, then a rebuild with nothing changed, then `check` of the release.
# The full runs take about a minute each: two rounds, taken in turn so that
# load on the shared machine falls on both alike, keeping the best of each;
# the cpu line (user + system time) is steadier than the elapsed ones.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUARNEL_BENCH_BUILD:-}
if [ -z "$build" ]; then
  build="$root/build-bench"
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" -j2 --target quarnel-publish publish_bench >/dev/null
fi
publish="$build/quarnel-publish"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
client="$tmp/client"
release="$tmp/release"

# Prints "elapsed cpu" in seconds for one run of the command.
run_time() {
  local TIMEFORMAT='%R %U %S'
  { time "$@" >/dev/null 2>&1; } 2>&1 | awk '{ printf "%s %.2f\n", $1, $2 + $3 }'
}
# best_of NAME COMMAND...: one more run, keeping the least elapsed and cpu time.
declare -A best_elapsed best_cpu
best_of() {
  local name=$1 elapsed cpu
  shift
  read -r elapsed cpu < <(run_time "$@")
  if [ -z "${best_elapsed[$name]:-}" ] || awk "BEGIN { exit !($elapsed < ${best_elapsed[$name]}) }"; then
    best_elapsed[$name]=$elapsed
  fi
  if [ -z "${best_cpu[$name]:-}" ] || awk "BEGIN { exit !($cpu < ${best_cpu[$name]}) }"; then
    best_cpu[$name]=$cpu
  fi
}
ratio() { awk "BEGIN { printf \"%.2f\", $1 / $2 }"; }
mbps() { awk "BEGIN { printf \"%.1f\", $1 / 1e6 / $2 }"; }
archives() { (cd "$1" && sed 's/$/.bz2/' "$tmp/list" | xargs -d '\n' "${@:2}"); }

"$build/bench/publish_bench" "$client"
(cd "$client" && find . -type f | sort >"$tmp/list")
sed "s|^\.|$client|" "$tmp/list" >"$tmp/paths"
files=$(wc -l <"$tmp/list")
bytes=$(du -sb --apparent-size "$client" | cut -f1)
cat "$client"/*/*/* >/dev/null

for round in 1 2; do
  # Every run starts with the client in the page cache and nothing waiting to be written.
  sync
  best_of peer xargs -a "$tmp/paths" -d '\n' -n 100 bzip2 -9 -k
  if [ $round = 1 ]; then archives "$client" md5sum >"$tmp/peer.sums"; fi
  archives "$client" rm
  rm -rf "$release"
  sync
  best_of full "$publish" build "$client" "$release" --rev 1 --critical '*.txt'
done
# libbz2 at level 9 makes the same bytes as bzip2 -9, so the trees must match.
if ! archives "$release" md5sum | cmp -s - "$tmp/peer.sums"; then
  echo "publish: archives differ from bzip2 -9 output" >&2
  exit 1
fi
if ! "$publish" check "$release" >/dev/null; then
  echo "publish: check of the built release failed" >&2
  exit 1
fi
sync
for _ in 1 2 3; do best_of rebuild "$publish" build "$client" "$release" --rev 2 --critical '*.txt'; done
best_of check "$publish" check "$release"
archive_bytes=$(archives "$release" du -cb --apparent-size | tail -1 | cut -f1)

full=${best_elapsed[full]}
peer=${best_elapsed[peer]}
mb=$(awk "BEGIN { printf \"%.0f\", $bytes / 1e6 }")
echo "publish build $files files ${mb}MB on $(nproc) cores: $(mbps "$bytes" "$full") MB/s" \
  "($(ratio "$peer" "$full") of bzip2 -9 one at a time)"
echo "publish build $files files ${mb}MB: $full s (bzip2 -9 one at a time: $peer s)"
echo "publish build cpu: ${best_cpu[full]} s ($(ratio "${best_cpu[peer]}" "${best_cpu[full]}") of bzip2 -9)"
echo "publish rebuild unchanged: ${best_elapsed[rebuild]} s" \
  "($(awk "BEGIN { printf \"%.1f\", 100 * ${best_elapsed[rebuild]} / $full }")% of the full build)"
echo "publish archives: $(awk "BEGIN { printf \"%.1f\", $archive_bytes / 1e6 }") MB (1.00 of bzip2 -9, byte-identical)"
echo "publish check $files files: $(mbps "$bytes" "${best_elapsed[check]}") MB/s"
# Other work on the machine takes cores from the two threads first.
echo "publish machine load: $(cut -d' ' -f2 /proc/loadavg) runnable (5-minute average, $(nproc) cores)"
