#!/usr/bin/env bash
# One blocking worker-to-UI hand-over, timed by the program itself.
set -euo pipefail
"${QUARNEL_BENCH_BUILD:?run through bench/run-all.sh}/bench/handover_bench"
