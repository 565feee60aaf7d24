#!/usr/bin/env bash
# Sets up the machine, builds everything in Release and runs the main job.
# Until the console updater lands, the main job is the benchmark suite,
# which exercises the engine's hot paths on generated data.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/bench/run-all.sh"
