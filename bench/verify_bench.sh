#!/usr/bin/env bash
# Times CheckFileList against md5sum over 2,000 files of about 1 GiB in all
# (sizes, places and content from a fixed seed), all in the page cache, every
# entry of the section matching so nothing is queued. The two take turns,
# three runs each, and the best of each counts, so that load on the machine
# falls on both alike. CheckFileList is timed by the program; md5sum is one
# process over all the files.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUARNEL_BENCH_BUILD:-}
if [ -z "$build" ]; then
  build="$root/build-bench"
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" -j2 --target verify_bench >/dev/null
fi
ours="$build/bench/verify_bench"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
files="$tmp/client"
mkdir "$files"

# Sizes from 1 KiB to 8 MiB, spread evenly on a log scale, then scaled so
# that they add up to 1 GiB; a quarter each of random bytes, text, zeros
# with random islands, and random bytes cut at odd offsets.
total=$(perl -e '
  use strict;
  my ($dir, $list, $count, $want) = @ARGV;
  srand(2000);
  my @weights = map { exp(log(1024) + rand(log(8 << 20) - log(1024))) } 1 .. $count;
  my $sum = 0;
  $sum += $_ for @weights;
  my $pool = pack("N*", map { int(rand(4294967296)) } 1 .. (4 << 20));
  my $text = join("", map { "entry $_ = " . ("value-" x (1 + $_ % 9)) . ($_ * 7919 % 10007) . "\n" } 1 .. 4000);
  my $piece = sub {
    my ($n) = @_;
    my $bytes = "";
    while (length($bytes) < $n) {
      my $take = $n - length($bytes);
      $take = length($pool) if $take > length($pool);
      $bytes .= substr($pool, int(rand(length($pool) - $take + 1)), $take);
    }
    return $bytes;
  };
  open(my $names, ">", $list) or die "$list: $!";
  my $written = 0;
  for my $i (0 .. $count - 1) {
    my $n = int($weights[$i] * $want / $sum) || 1;
    my $kind = $i % 4;
    my $bytes;
    if ($kind == 1) {
      $bytes = substr($text x (int($n / length($text)) + 1), 0, $n);
    } elsif ($kind == 2) {
      $bytes = "\0" x $n;
      for (1 .. 8) {
        my $island = int(rand($n / 16 + 1));
        substr($bytes, int(rand($n - $island + 1)), $island) = $piece->($island) if $island > 0;
      }
    } else {
      $bytes = $piece->($n);
    }
    my $folder = sprintf("data/d%02d", $i % 20);
    my $name = sprintf("%s/f%04d.%s", $folder, $i, (qw(bin txt dat pak))[$kind]);
    mkdir("$dir/data");
    mkdir("$dir/$folder");
    open(my $out, ">:raw", "$dir/$name") or die "$dir/$name: $!";
    print $out $bytes;
    close($out) or die "$dir/$name: $!";
    print $names "$name\n";
    $written += $n;
  }
  print "$written\n";' "$files" "$tmp/list" 2000 $((1 << 30)))
sync

# The section: manifest paths with "\" separators, digests from md5sum.
(cd "$files" && xargs -a "$tmp/list" -d '\n' md5sum) |
  perl -ne 'chomp; my ($digest, $path) = split(/  /, $_, 2); my $size = -s "'"$files"'/$path";
            $path =~ tr{/}{\\}; print "$path|$digest|$size\n"' >"$tmp/section"
xargs -a <(sed "s|^|$files/|" "$tmp/list") -d '\n' cat >/dev/null
"$ours" "$files" "$tmp/section" >/dev/null

run_md5sum() {
  local TIMEFORMAT='%R'
  { time (cd "$files" && xargs -a "$tmp/list" -d '\n' md5sum >/dev/null); } 2>&1
}

best_ours=
best_md5sum=
least() { if [ -z "$1" ] || awk "BEGIN { exit !($2 < $1) }"; then echo "$2"; else echo "$1"; fi; }
for _ in 1 2 3; do
  best_ours=$(least "$best_ours" "$("$ours" "$files" "$tmp/section")")
  best_md5sum=$(least "$best_md5sum" "$(run_md5sum)")
done

mbps() { awk "BEGIN { printf \"%.0f\", $1 / 1e6 / $2 }"; }
echo "verify CheckFileList 2000 files 1GB: $(mbps "$total" "$best_ours") MB/s" \
  "($(awk "BEGIN { printf \"%.2f\", $best_md5sum / $best_ours }") of md5sum)"
echo "verify md5sum 2000 files 1GB: $(mbps "$total" "$best_md5sum") MB/s"
