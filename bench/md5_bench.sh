#!/usr/bin/env bash
# Times DigestFile against md5sum (and openssl md5 where installed) on one
# 1 GiB file and on 20,000 files of 4-256 KiB, all in the page cache. Each
# figure is the best of three runs, taken in turn so that load on the machine
# falls on every tool alike; the cpu lines (user + system time) are steadier
# on a busy machine than the elapsed ones.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUARNEL_BENCH_BUILD:-}
if [ -z "$build" ]; then
  build="$root/build-bench"
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" -j2 --target md5_bench >/dev/null
fi
ours="$build/bench/md5_bench"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Prints "elapsed cpu" in seconds for one run of the command.
run_time() {
  local TIMEFORMAT='%R %U %S'
  { time "$@" >/dev/null 2>&1; } 2>&1 | awk '{ printf "%s %.3f\n", $1, $2 + $3 }'
}

# best_of NAME COMMAND...: one more run, keeping the least elapsed and cpu time
# in best_elapsed[NAME] and best_cpu[NAME].
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
mbps() { awk "BEGIN { printf \"%.0f\", $1 / 1e6 / $2 }"; }

have_openssl=0
if command -v openssl >/dev/null && openssl md5 /dev/null >/dev/null 2>&1; then have_openssl=1; fi

# One large file.
big="$tmp/big"
head -c 1G /dev/urandom >"$big"
cat "$big" >/dev/null
if [ "$("$ours" "$big" | cut -d' ' -f1)" != "$(md5sum "$big" | cut -d' ' -f1)" ]; then
  echo "md5 DigestFile 1GiB: digest differs from md5sum" >&2
  exit 1
fi
for _ in 1 2 3; do
  best_of ours "$ours" "$big"
  best_of md5sum md5sum "$big"
  if [ $have_openssl = 1 ]; then best_of openssl openssl md5 "$big"; fi
done
size=$(stat -c %s "$big")
fastest=md5sum
if [ $have_openssl = 1 ] && awk "BEGIN { exit !(${best_elapsed[openssl]} < ${best_elapsed[md5sum]}) }"; then
  fastest=openssl
fi
peers="$(ratio "${best_elapsed[md5sum]}" "${best_elapsed[ours]}") of md5sum"
if [ $have_openssl = 1 ]; then
  peers="$peers, $(ratio "${best_elapsed[openssl]}" "${best_elapsed[ours]}") of openssl md5"
fi
echo "md5 DigestFile 1GiB: $(mbps "$size" "${best_elapsed[ours]}") MB/s ($peers)"
echo "md5 md5sum 1GiB: $(mbps "$size" "${best_elapsed[md5sum]}") MB/s"
if [ $have_openssl = 1 ]; then
  echo "md5 openssl md5 1GiB: $(mbps "$size" "${best_elapsed[openssl]}") MB/s"
else
  echo "md5 openssl md5 1GiB: skipped (openssl is not installed)"
fi
echo "md5 DigestFile 1GiB to fastest: $(ratio "${best_elapsed[$fastest]}" "${best_elapsed[ours]}") of $fastest"
echo "md5 DigestFile 1GiB cpu: ${best_cpu[ours]} s ($(ratio "${best_cpu[md5sum]}" "${best_cpu[ours]}") of md5sum)"

# Many small files, cut from the large one at sizes and places of a fixed seed.
mkdir "$tmp/small"
small_bytes=$(perl -e '
  my ($source, $dir, $list) = @ARGV;
  srand(20000);
  my $sum = 0;
  my $total = -s $source;
  open(my $in, "<:raw", $source) or die "$source: $!";
  open(my $names, ">", $list) or die "$list: $!";
  for my $i (1 .. 20000) {
    my $n = 4096 + int(rand(252 * 1024 + 1));
    seek($in, int(rand($total - $n)), 0) or die;
    read($in, my $bytes, $n) == $n or die;
    open(my $out, ">:raw", "$dir/f$i") or die "$dir/f$i: $!";
    print $out $bytes;
    close($out) or die;
    print $names "$dir/f$i\n";
    $sum += $n;
  }
  print "$sum\n";' "$big" "$tmp/small" "$tmp/list")
rm "$big"
sync
"$ours" -l "$tmp/list" >"$tmp/ours.txt"
xargs -a "$tmp/list" -d '\n' md5sum >"$tmp/md5sum.txt"
if ! cmp -s "$tmp/ours.txt" "$tmp/md5sum.txt"; then
  echo "md5 DigestFile 20000 files: digests differ from md5sum" >&2
  exit 1
fi
for _ in 1 2 3; do
  best_of small_ours "$ours" -l "$tmp/list"
  best_of small_md5sum xargs -a "$tmp/list" -d '\n' md5sum
done
echo "md5 DigestFile 20000 files of 4-256KiB: $(mbps "$small_bytes" "${best_elapsed[small_ours]}") MB/s" \
  "($(ratio "${best_elapsed[small_md5sum]}" "${best_elapsed[small_ours]}") of md5sum)"
echo "md5 md5sum 20000 files of 4-256KiB: $(mbps "$small_bytes" "${best_elapsed[small_md5sum]}") MB/s"
echo "md5 DigestFile 20000 files cpu: ${best_cpu[small_ours]} s" \
  "($(ratio "${best_cpu[small_md5sum]}" "${best_cpu[small_ours]}") of md5sum)"
