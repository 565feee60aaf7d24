#!/usr/bin/env bash
# Sets up the machine and runs every test: the warning-free build with its
# tests, the same tests under AddressSanitizer and UndefinedBehaviorSanitizer,
# and every fuzz target for a bounded time.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)

bash "$root/scripts/setup.sh"

echo "== build and test"
cmake -S "$root" -B "$root/build" -DQUARNEL_WERROR=ON >/dev/null
cmake --build "$root/build" -j"$jobs"
ctest --test-dir "$root/build" --output-on-failure -j"$jobs"

echo "== build and test with sanitizers"
cmake -S "$root" -B "$root/build-asan" -DQUARNEL_WERROR=ON -DQUARNEL_SANITIZE=ON -DQUARNEL_BENCH=OFF >/dev/null
cmake --build "$root/build-asan" -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 ctest --test-dir "$root/build-asan" --output-on-failure -j"$jobs"

echo "== fuzz"
bash "$root/scripts/fuzz.sh" "${QUARNEL_FUZZ_SECONDS:-60}"
