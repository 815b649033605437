#!/usr/bin/env bash
# The benchmark in one command: builds the release programs and the
# benchmark program, writes the inputs, runs the in-process benchmarks and
# then times the whole programs next to wc -l, cat, moc and ctags (when
# installed) on the same inputs.
#   bench/run.sh [build-dir] [work-dir]
# Environment: RUNS (timed runs of each large case, default 7), SMALL_RUNS
# (of each small case, default 100), CMAKE_ARGS (extra CMake arguments),
# YARDSTICKS (the directory of floor2.cpp, default ../shared/yardsticks: the
# least work a tokenizing rewriter must do, timed beside the programs when
# it is there), BEFORE (a build directory of earlier programs, timed beside
# these on the large cases and the language server's hostile headers).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench}
work=${2:-${TMPDIR:-/tmp}/regkit-bench}
inputs=$work/inputs
mkdir -p "$inputs" "$work/out"

# shellcheck disable=SC2086
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DREGKIT_BENCH=ON -DREGKIT_TESTS=OFF ${CMAKE_ARGS:-} >/dev/null
cmake --build "$build" -j 2 >/dev/null

floor2=()
yardsticks=${YARDSTICKS:-../shared/yardsticks}
if [ -f "$yardsticks/floor2.cpp" ]; then
  g++ -O2 -std=c++20 "$yardsticks/floor2.cpp" -o "$build/floor2"
  floor2=(--floor2 "$build/floor2")
fi

gen() { python3 bench/gen_inputs.py "$@"; }
gen header "$inputs/header.h" --classes 20000 --members 50
gen header "$inputs/header10.h" --classes 2000 --members 50
gen header "$inputs/small.h" --classes 1 --members 40
gen header "$inputs/header10k.h" --classes 113 --members 50 # about 10,000 lines
gen parts "$inputs/parts.kes" --parts 2000 --pins 400
gen parts "$inputs/parts10.kes" --parts 200 --pins 400
gen parts "$inputs/one_part.kes" --parts 1 --pins 99980
gen parts "$inputs/small.kes" --parts 1 --pins 260
# Hostile inputs: each must take time in proportion to its size.
gen same-name "$inputs/same_name.h" --count 40000
gen long-line "$inputs/long_line.h" --count 100000
gen colliding-pins "$inputs/colliding_pins.kes" --parts 2 --pins 99999
gen stale-classes "$inputs/stale_classes.h" --count 64000
gen long-line "$inputs/long_line_80.h" --count 20000 --pad 73

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), \
$(awk '/MemTotal/ {printf "%.0f GB", $2 / 1048576}' /proc/meminfo) memory"
echo
"$build/bench/regkit_perftest" --benchmark_min_time=0.5 "$inputs"
echo
python3 bench/timing.py "$build" "$inputs" "$work/out" --runs "${RUNS:-7}" --small-runs "${SMALL_RUNS:-100}" "${floor2[@]}" ${BEFORE:+--before "$BEFORE"}
echo
# The language server on the hostile headers, through pipes.
for header in stale_classes.h long_line_80.h; do
  python3 bench/lsp_timing.py "$build/regkit/regkit" "$inputs/$header" --runs 3 ${BEFORE:+--before "$BEFORE/regkit/regkit"}
done
