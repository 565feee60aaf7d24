#!/usr/bin/env bash
# Sets up the machine, builds in Release and runs the main job: a sample
# game client is published, served on 127.0.0.1 and installed into an empty
# client folder (scripts/demo.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/demo.sh"
