#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for a bounded time from a copy of
# its committed seed corpus. A crash, leak, sanitizer report, timeout or
# memory blow-up fails the script; the findings are left in the work dir.
#   scripts/fuzz.sh [seconds-per-target] [build-dir]
# Installs what is missing first (scripts/deps.sh, with clang's runtime).
# Environment: FUZZ_WORK keeps the grown corpora, logs and any crash inputs
# (default: a fresh temporary directory, removed after a clean run); CXX
# (default clang++).
set -euo pipefail
work=${FUZZ_WORK:+$(realpath -m "$FUZZ_WORK")}
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=${2:-build-fuzz}
targets=(tokenizer tolvane kessrow lsp)

# clang's fuzzer and sanitizer runtimes come in a package of their own.
scripts/deps.sh --clang-runtime

CXX=${CXX:-clang++}
case "$CXX" in *clang*) ;; *) CXX=clang++ ;; esac
cmake -S . -B "$build" -DCMAKE_CXX_COMPILER="$CXX" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DREGKIT_FUZZ=ON -DREGKIT_TESTS=OFF >/dev/null
cmake --build "$build" -j 2 --target "${targets[@]/%/_fuzz}"

keep=${work:+yes}
work=${work:-$(mktemp -d "${TMPDIR:-/tmp}/regkit-fuzz.XXXXXX")}
mkdir -p "$work"
echo "fuzz work directory: $work"

failed=()
declare -A executions
for target in "${targets[@]}"; do
  # The committed corpus is only read: new inputs go to the copy.
  corpus="$work/$target-corpus"
  mkdir -p "$corpus"
  cp -r tests/fuzz/corpus/"$target"/. "$corpus"/
  log="$work/$target.log"
  echo "=== $target: ${seconds}s"
  status=0
  "$build/tests/fuzz/${target}_fuzz" "$corpus" \
    -dict="tests/fuzz/$target.dict" -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=2048 -max_len=8192 -print_final_stats=1 \
    -artifact_prefix="$work/$target-" >"$log" 2>&1 || status=$?
  executions[$target]=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  # Sanitizer reports fail the run even if the process somehow exited 0.
  if [ "$status" -ne 0 ] || grep -qE '^(==[0-9]+==ERROR|SUMMARY: )|runtime error:' "$log"; then
    failed+=("$target")
    echo "*** $target failed (exit $status); log: $log"
    grep -E 'ERROR|runtime error|property failed|Test unit written' "$log" | head -20 || true
  fi
done

echo
echo "executions per target (${seconds}s each):"
for target in "${targets[@]}"; do
  printf '  %-10s %s\n' "$target" "${executions[$target]:-?}"
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "FAILED: ${failed[*]}"
  exit 1
fi
echo "all fuzz targets clean"
# A scratch directory of our own goes when there is nothing to look at.
[ -n "$keep" ] || rm -rf "$work"
