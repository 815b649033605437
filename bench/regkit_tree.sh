#!/usr/bin/env bash
# A whole tree in one process against one process per header:
#   regkit check TREE (-j 2 and -j 1)
#   find TREE -type f -name '*.h' -print0 | xargs -0 -P 2 -I{} tolvane {} OUT -w
# timed in the same minutes, each run ROUNDS times (the best counts), with
# the peak memory (maximum resident set) of regkit.
#
#   bench/regkit_tree.sh [build-dir] [tree]     (defaults: build, /usr/include)
#
# The build should be a Release build. Nothing in the tree is written:
# regkit only checks, tolvane writes into a scratch file.
set -euo pipefail

build=${1:-build}
tree=${2:-/usr/include}
rounds=${ROUNDS:-3}
tolvane=$build/tolvane/tolvane
regkit=$build/regkit/regkit
[[ -x "$tolvane" && -x "$regkit" ]] || { echo "build $build first (targets tolvane, regkit)" >&2; exit 2; }
scratch=$(mktemp -d "${TMPDIR:-/tmp}/regkit-bench.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

# One timed run: prints "<seconds> <peak KiB> <processor seconds>". The commands' own exit
# status is not the point (stale or unscannable headers give 1 or 2).
measure() {
  /usr/bin/time -f '%e %M %U %S' -o "$scratch/time" "$@" >/dev/null 2>&1 || true
  # The last line: a note on a non-zero exit status may stand before it.
  tail -n 1 "$scratch/time" | awk '{ printf "%s %s %.2f\n", $1, $2, $3 + $4 }'
}
# The best of rounds runs, by elapsed time.
best() {
  local result line
  result=""
  for ((i = 0; i < rounds; i++)); do
    line=$(measure "$@")
    if [[ -z "$result" ]] || awk -v a="${line%% *}" -v b="${result%% *}" 'BEGIN { exit !(a < b) }'; then
      result=$line
    fi
  done
  echo "$result"
}

# xargs gives up at the first command that exits with 255, so the headers
# that tolvane rejects are left out of its list (regkit gets them all).
per_process() {
  find "$tree" -type f -name '*.h' -print0 | grep -zvxFf "$scratch/rejected" |
    xargs -0 -P 2 -I{} "$tolvane" {} "$scratch/out.h" -w
}
export -f per_process
export tree tolvane scratch

headers=$(find "$tree" -type f -name '*.h' | wc -l)
"$regkit" check --ext=h -w "$tree" >"$scratch/findings" 2>"$scratch/summary" || true
sed -nE 's/^(.*):[0-9]+:[0-9]+: error: .*/\1/p; s/^(.*): error: .*/\1/p' "$scratch/findings" | sort -u >"$scratch/rejected"
echo "tree: $tree, $headers headers named *.h, $(wc -l <"$scratch/rejected") rejected by tolvane"
echo "regkit: $(tail -n 1 "$scratch/summary")"
echo "cores: $(nproc), rounds: $rounds (best counts)"

echo "load average before: $(cut -d ' ' -f 1-3 /proc/loadavg) (other work on the machine skews -j 2)"
read -r xargs_s xargs_kb xargs_cpu < <(best bash -c per_process)
read -r j2_s j2_kb j2_cpu < <(best "$regkit" check --ext=h -w -j 2 "$tree")
read -r j1_s j1_kb j1_cpu < <(best "$regkit" check --ext=h -w -j 1 "$tree")

printf '%-44s %8s %10s %12s\n' "" "elapsed" "processor" "peak memory"
printf '%-44s %8s s %8s s %8s KiB\n' "xargs -P 2 tolvane (one process per header)" "$xargs_s" "$xargs_cpu" "$xargs_kb"
printf '%-44s %8s s %8s s %8s KiB\n' "regkit check -j 2" "$j2_s" "$j2_cpu" "$j2_kb"
printf '%-44s %8s s %8s s %8s KiB\n' "regkit check -j 1" "$j1_s" "$j1_cpu" "$j1_kb"
awk -v x="$xargs_s" -v a="$j2_s" -v b="$j1_s" 'BEGIN {
  printf "regkit -j 2 against xargs: %.1fx faster; -j 2 against -j 1: %.2fx\n", x / a, b / a }'
