#!/usr/bin/env bash
# Builds everything and runs all tests.
#   scripts/test.sh [build-dir] [extra CMake arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
shift || true
cmake -S . -B "$build" "$@"
cmake --build "$build" -j "$(nproc)"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
