#!/usr/bin/env bash
# Installs what is missing (scripts/deps.sh), builds everything and runs all
# tests. The tests are always configured on and required, so a build
# directory configured without them is never taken for a passing run.
#   scripts/test.sh [build-dir] [extra CMake arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
build=${1:-build}
shift || true
cmake -S . -B "$build" "$@" -DREGKIT_TESTS=ON -DREGKIT_REQUIRE_TESTS=ON
cmake --build "$build" -j "$(nproc)"
ctest --test-dir "$build" --output-on-failure --no-tests=error -j "$(nproc)"
