#!/usr/bin/env bash
# Installs what is missing (scripts/deps.sh; with -DREGKIT_SANITIZE=ON also
# clang's sanitizer runtime), builds everything and runs all tests, then
# says how many were skipped and why. The tests are always configured on
# and required, so a build directory configured without them is never
# taken for a passing run.
#   scripts/test.sh [build-dir] [extra CMake arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
shift || true

# A sanitizer build (asked for now, or configured so before) links clang's
# runtime when clang compiles it.
deps=()
for arg in "$@"; do
  if [[ "${arg^^}" =~ ^-DREGKIT_SANITIZE(:BOOL)?=(ON|TRUE|YES|1)$ ]]; then deps=(--clang-runtime); fi
done
if grep -qs '^REGKIT_SANITIZE:BOOL=ON$' "$build/CMakeCache.txt"; then deps=(--clang-runtime); fi
scripts/deps.sh "${deps[@]}"

cmake -S . -B "$build" "$@" -DREGKIT_TESTS=ON -DREGKIT_REQUIRE_TESTS=ON
cmake --build "$build" -j "$(nproc)"
status=0
ctest --test-dir "$build" --output-on-failure --no-tests=error -j "$(nproc)" || status=$?

# Each skipped test with its reason, from the tests' own output.
log=$build/Testing/Temporary/LastTest.log
if [[ -f "$log" ]]; then
  awk '/^[0-9]+\/[0-9]+ Test: / { name = $3 }
       /: Skipped$/ { getline reason; skipped[++count] = name ": " (reason == "" ? "(no reason given)" : reason) }
       END {
         if (count == 0) print "No test was skipped."
         else {
           print count (count == 1 ? " test was" : " tests were") " skipped:"
           for (i = 1; i <= count; ++i) print "  " skipped[i]
         }
       }' "$log"
fi
exit "$status"
