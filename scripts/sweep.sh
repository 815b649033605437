#!/usr/bin/env bash
# Runs tolvane over every C and C++ header under a directory (default
# /usr/include), each with a separate destination in a scratch directory,
# and checks that every run ends by itself with status 0 or 255 within the
# per-file limit, and that a successful run on a file that mentions no
# Register() writes the source back unchanged (line ends normalised as the
# tokenizer does: CR LF, LF CR and a lone CR become LF).
#   scripts/sweep.sh [time-budget-seconds] [tolvane-executable] [directory]
# Without an executable a release build is made in build-fuzz-sweep.
# Files not started within the budget are counted as skipped, not failed.
set -euo pipefail
budget=${1:-300}
tolvane=${2:+$(realpath "$2")}
root=$(realpath "${3:-/usr/include}")
cd "$(dirname "$0")/.."
per_file=${SWEEP_FILE_TIMEOUT:-10}

if [ -z "$tolvane" ]; then
  cmake -S . -B build-fuzz-sweep -DCMAKE_BUILD_TYPE=Release -DREGKIT_TESTS=OFF >/dev/null
  cmake --build build-fuzz-sweep -j 2 --target tolvane >/dev/null
  tolvane=build-fuzz-sweep/tolvane/tolvane
fi
tolvane=$(realpath "$tolvane")

scratch=$(mktemp -d "${TMPDIR:-/tmp}/regkit-sweep.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
deadline=$(($(date +%s) + budget))

# One worker handles a batch of files and prints one "outcome file" line
# per file; each worker has its own destination file.
worker() {
  local dest
  dest=$(mktemp "$scratch/dest.XXXXXX")
  for file in "$@"; do
    if [ "$(date +%s)" -ge "$deadline" ]; then
      echo "skipped $file"
      continue
    fi
    rm -f "$dest"
    local status=0
    timeout -s KILL "$per_file" "$tolvane" "$file" "$dest" </dev/null >/dev/null 2>&1 || status=$?
    case $status in
    0)
      if grep -qw 'Register' "$file"; then
        echo "regenerated $file"
      elif cmp -s "$file" "$dest"; then
        echo "unchanged $file"
      elif grep -q $'\r' "$file" &&
        cmp -s <(perl -0777 -pe 's/\r\n|\n\r|\r/\n/g' "$file") "$dest"; then
        echo "unchanged $file"
      else
        echo "mismatch $file"
      fi
      ;;
    255) echo "reported $file" ;;
    137) echo "timedout $file" ;; # killed by timeout
    *) echo "crashed($status) $file" ;;
    esac
  done
  rm -f "$dest"
}
export -f worker
export scratch deadline tolvane per_file

start=$(date +%s)
results="$scratch/results"
find "$root" -type f \( -name '*.h' -o -name '*.hpp' -o -name '*.hh' -o ! -name '*.*' \) -print0 |
  xargs -0 -n 64 -P 2 bash -c 'worker "$@"' worker >"$results"

count() { grep -c "^$1" "$results" || true; }
processed=$(($(wc -l <"$results") - $(count skipped)))
echo "sweep of $root with $tolvane ($(($(date +%s) - start)) s)"
echo "  processed:   $processed"
echo "  unchanged:   $(count unchanged)"
echo "  regenerated: $(count regenerated)  (mention Register, not compared)"
echo "  reported:    $(count reported)"
echo "  crashed:     $(count crashed)"
echo "  timed out:   $(count timedout)"
echo "  mismatched:  $(count mismatch)"
echo "  skipped:     $(count skipped)  (not started within the ${budget} s budget)"
bad=$(grep -E '^(crashed|timedout|mismatch)' "$results" || true)
if [ -n "$bad" ]; then
  echo "FAILED:"
  echo "$bad" | head -50
  exit 1
fi
