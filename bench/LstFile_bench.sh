#!/usr/bin/env bash
# Manifest reading throughput; the scratch manifest is removed afterwards.
set -euo pipefail
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
"$QUARNEL_BENCH_BUILD/bench/LstFile_bench" "$scratch"
