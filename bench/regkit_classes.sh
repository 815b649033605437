#!/usr/bin/env bash
# The cost of the run's class index: a generated project of N headers, each
# a class in a namespace that declares Register(), and N sources defining
# each body outside its class, and a second project where the sources
# include their headers by <...>, so that every source waits for the
# second pass. Timed round-robin, each run ROUNDS times (the best counts):
#   regkit check --dialect=specified   (the bodies passed over, one pass)
#   regkit check --dialect=modern      (quotes: the header read beside)
#   regkit check --dialect=modern      (<...>: the run's index, two passes)
#
#   bench/regkit_classes.sh [build-dir] [N]     (defaults: build, 4000)
set -euo pipefail

build=${1:-build}
count=${2:-4000}
rounds=${ROUNDS:-5}
regkit=$build/regkit/regkit
[[ -x "$regkit" ]] || { echo "build $build first (target regkit)" >&2; exit 2; }
scratch=$(mktemp -d "${TMPDIR:-/tmp}/regkit-classes.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

# make DIR OPEN CLOSE: the project, its sources including by OPEN...CLOSE.
make() {
  mkdir -p "$1/inc/app" "$1/src"
  for ((i = 0; i < count; i++)); do
    printf 'namespace app {\nclass TDev%d : public TBase {\n  TReg a%d;\n  TReg b%d[4];\n  int n;\n  void Register() override;\n};\n}\n' \
      "$i" "$i" "$i" >"$1/inc/app/dev$i.h"
    printf '#include %sdev%d.h%s\nnamespace app {\nvoid TDev%d::Register() {\n}\n}\n' "$2" "$i" "$3" "$i" >"$1/src/dev$i.cpp"
  done
  # The quoted includes are found beside the source.
  [[ "$2" == '"' ]] && cp "$1"/inc/app/*.h "$1/src/"
  return 0
}
make "$scratch/quotes" '"' '"'
make "$scratch/angles" '<app/' '>'

measure() {
  /usr/bin/time -f '%e %U %S' -o "$scratch/time" "$@" >/dev/null 2>&1 || true
  tail -n 1 "$scratch/time" | awk '{ printf "%s %.2f\n", $1, $2 + $3 }'
}
declare -A best
runs=("specified angles" "modern quotes" "modern angles")
for ((r = 0; r < rounds; r++)); do
  for run in "${runs[@]}"; do
    read -r dialect tree <<<"$run"
    line=$(measure "$regkit" check --dialect="$dialect" "$scratch/$tree")
    if [[ -z "${best[$run]:-}" ]] || awk -v a="${line%% *}" -v b="${best[$run]%% *}" 'BEGIN { exit !(a < b) }'; then
      best[$run]=$line
    fi
  done
done
echo "$count headers and $count sources a project; cores: $(nproc); best of $rounds"
base=${best["specified angles"]%% *}
for run in "${runs[@]}"; do
  read -r wall cpu <<<"${best[$run]}"
  printf '%-18s %6.2f s wall %6.2f s processor  %.2fx\n' "$run" "$wall" "$cpu" "$(awk -v a="$wall" -v b="$base" 'BEGIN { print a / b }')"
done
