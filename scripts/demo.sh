#!/usr/bin/env bash
# The main job: a sample game client is published as a release, served on
# 127.0.0.1, and an empty client folder is brought up to it by the launcher
# window when a display is there, or by the console updater when none is.
# Usage: scripts/demo.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build-release"}

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUARNEL_TESTS=OFF -DQUARNEL_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null

work=$(mktemp -d /tmp/quarnel-demo-XXXXXX)
server=""
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

echo "== a sample game client"
source="$work/source"
mkdir -p "$source/Data" "$source/Maps" "$source/Sound"
cat >"$source/Game" <<'GAME'
#!/bin/sh
echo "Game started in $(pwd)"
GAME
chmod +x "$source/Game"
for i in $(seq 1 120); do
  seq "$i" 3 40000 | sed "s/^/map $i line /" >"$source/Maps/map$i.txt"
done
for i in $(seq 1 100); do head -c $((60000 + i * 1000)) /dev/urandom >"$source/Sound/sound$i.ogg"; done
for i in $(seq 1 80); do
  { head -c 100000 /dev/urandom | od -An -tx1; head -c 50000 /dev/urandom; } >"$source/Data/pack$i.pak"
done
echo "$(find "$source" -type f | wc -l) files, $(du -sh "$source" | cut -f1)"

echo "== publish it"
release="$work/release"
"$build/quarnel-publish" build "$source" "$release" --rev 1 --critical Game --critical 'Data/*'
mkdir -p "$release/news"
cat >"$release/news/index.html" <<'NEWS'
<!doctype html><html><head><meta charset="utf-8"><title>Quarnel news</title></head>
<body style="background:#14161c;color:#d8dce6;font-family:sans-serif;margin:16px">
<h2 style="color:#e8b04a">Добро пожаловать!</h2>
<p>The servers are open. This page is served by the demo's own release server.</p>
</body></html>
NEWS

"$build/quarnel-publish" serve "$release" --port 0 >"$work/serve.log" 2>&1 &
server=$!
url=""
for _ in $(seq 1 100); do
  url=$(grep -o 'http://127.0.0.1:[0-9]*/' "$work/serve.log" || true)
  [ -n "$url" ] && break
  sleep 0.1
done
[ -n "$url" ] || { cat "$work/serve.log"; echo "the release server did not start"; exit 1; }
echo "serving at $url"

echo "== an empty client folder"
client="$work/client"
mkdir -p "$client"
printf '[main]\r\nNewsUrl=%snews/index.html\r\nUpdatesUrl=%s\r\nInstalled=1\r\nRunCustom=Game\r\n' "$url" "$url" \
  >"$client/_settings.ini"
cat "$client/_settings.ini"

if [ -n "${DISPLAY:-}" ] && [ -x "$build/QuarnelUpdater" ]; then
  echo "== the launcher window (close it to finish)"
  (cd "$client" && "$build/QuarnelUpdater")
else
  echo "== the console updater"
  status=0
  (cd "$client" && "$build/quarnel-update") || status=$?
  echo "quarnel-update exited with $status"
fi

echo "== the client folder now"
grep AtRevision "$client/_settings.ini" || echo "no revision stored"
echo "$(find "$client" -type f -not -name _settings.ini -not -name update.lock | wc -l) files, $(du -sh "$client" | cut -f1)"
(cd "$client" && ./Game)
"$build/quarnel-publish" check "$release" >/dev/null && echo "the release checks clean"
diff -r --exclude=_settings.ini --exclude=update.lock "$source" "$client" >/dev/null && echo "the client matches the published one byte for byte"
