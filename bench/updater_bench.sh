#!/usr/bin/env bash
# Times the console updater bringing an empty client folder up to a release
# of 2,000 files (about 600 MB, served by nginx on loopback) against what a
# user would script instead (curl | bzip2 -d for each file, then md5sum -c)
# and against the floor: libbz2 alone decompressing the same archives.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUARNEL_BENCH_BUILD:-}
if [ -z "$build" ]; then
  build="$root/build-bench"
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" -j2 --target quarnel-update quarnel-publish publish_bench unpack_floor_bench >/dev/null
fi
. "$root/bench/nginx.sh"

tmp=$(mktemp -d)
cleanup() {
  stop_nginx
  rm -rf "$tmp"
}
trap cleanup EXIT

source="$tmp/source"
"$build/bench/publish_bench" "$source"
"$build/quarnel-publish" build "$source" "$tmp/www" --rev 1 >/dev/null 2>&1
(cd "$source" && find . -type f | sed 's|^\./||' | sort >"$tmp/list")
(cd "$source" && xargs -a "$tmp/list" -d '\n' md5sum >"$tmp/sums")
files=$(wc -l <"$tmp/list")
bytes=$(du -sb --apparent-size "$source" | cut -f1)
start_nginx "$tmp" "$tmp/www"
url="http://127.0.0.1:$nginx_port/"
cat "$tmp"/www/*/* >/dev/null 2>&1 || true

seconds() {
  local TIMEFORMAT=%R
  { time "$@" >/dev/null 2>&1; } 2>&1
}

ours_run() {
  rm -rf "$tmp/ours" && mkdir "$tmp/ours"
  printf '[main]\r\nUpdatesUrl=%s\r\n' "$url" >"$tmp/ours/_settings.ini"
  (cd "$tmp/ours" && "$build/quarnel-update")
}
script_run() {
  rm -rf "$tmp/script" && mkdir "$tmp/script"
  cd "$tmp/script"
  while IFS= read -r path; do
    mkdir -p "$(dirname "$path")"
    curl -s "$url$path.bz2" | bzip2 -d >"$path"
  done <"$tmp/list"
  md5sum -c --quiet "$tmp/sums"
}
floor_run() {
  sed "s|^|$tmp/www/|; s|$|.bz2|" "$tmp/list" | "$build/bench/unpack_floor_bench"
}

sync
ours=$(seconds ours_run)
if ! (cd "$tmp/ours" && md5sum -c --quiet "$tmp/sums"); then
  echo "updater: the updated client differs from the release" >&2
  exit 1
fi
script=$(seconds script_run)
floor=$(seconds floor_run)

mb=$(awk "BEGIN { printf \"%.0f\", $bytes / 1e6 }")
ratio() { awk "BEGIN { printf \"%.2f\", $1 / $2 }"; }
echo "updater quarnel-update fresh client $files files ${mb}MB: $ours s" \
  "($(ratio "$ours" "$script") of the curl|bzip2 script, $(ratio "$ours" "$floor") of the libbz2 floor)"
echo "updater curl|bzip2 -d then md5sum -c: $script s"
echo "updater libbz2 alone: $floor s"
echo "updater load average: $(cut -d' ' -f1-3 /proc/loadavg)"
