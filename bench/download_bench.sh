#!/usr/bin/env bash
# Times DownloadFile (progress on, a UI thread serving its reports) against
# curl on one 500 MB body served by nginx on loopback. The two take turns,
# three runs each, and the best of each counts, so that load on the machine
# falls on both alike. curl's own transfer time is used, so its process start
# does not count against it; DownloadFile's is timed by the program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUARNEL_BENCH_BUILD:-}
if [ -z "$build" ]; then
  build="$root/build-bench"
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" -j2 --target download_bench >/dev/null
fi
ours="$build/bench/download_bench"
. "$root/bench/nginx.sh"

tmp=$(mktemp -d)
cleanup() {
  stop_nginx
  rm -rf "$tmp"
}
trap cleanup EXIT

mkdir "$tmp/www"
start_nginx "$tmp" "$tmp/www"

body="$tmp/www/body.bin"
head -c 500M /dev/urandom >"$body"
cat "$body" >/dev/null
size=$(stat -c %s "$body")
url="http://127.0.0.1:$nginx_port/body.bin"

out="$tmp/out.bin"
rm -f "$out"
"$ours" "$url" "$out" "$size" >/dev/null
if ! cmp -s "$body" "$out"; then
  echo "download DownloadFile 500MB: the file differs from the body served" >&2
  exit 1
fi

best_ours=
best_curl=
least() { if [ -z "$1" ] || awk "BEGIN { exit !($2 < $1) }"; then echo "$2"; else echo "$1"; fi; }
for _ in 1 2 3; do
  rm -f "$out"
  best_ours=$(least "$best_ours" "$("$ours" "$url" "$out" "$size")")
  rm -f "$out"
  best_curl=$(least "$best_curl" "$(curl -s -o "$out" -w '%{time_total}' "$url")")
done
rm -f "$out"

mbps() { awk "BEGIN { printf \"%.0f\", $1 / 1e6 / $2 }"; }
echo "download DownloadFile 500MB: $(mbps "$size" "$best_ours") MB/s" \
  "($(awk "BEGIN { printf \"%.2f\", $best_curl / $best_ours }") of curl)"
echo "download curl 500MB: $(mbps "$size" "$best_curl") MB/s"
