#!/usr/bin/env bash
# Installs what is missing (scripts/deps.sh), builds both programs and runs
# them on the shipped example; everything is written into build-dir/example.
#   scripts/example.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
build=${1:-build}
cmake -S . -B "$build"
cmake --build "$build" -j 2 --target run_example
