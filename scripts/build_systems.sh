#!/usr/bin/env bash
# Builds and tests examples/consumer with Bazel and with Meson, offline:
#   scripts/build_systems.sh [build-dir] [cmake-build-dir]
# build-dir (default build-systems) receives Bazel's output root and disk
# cache, the Meson build and the copies of the example that the checks edit;
# it is emptied first, so the first Bazel build is a cold one. Meson finds
# regkit in cmake-build-dir (default <build-dir>/cmake, built
# here when they are missing).
#   Bazel: a build and test that fill the disk cache; after clean --expunge
#   the same must take every action from the cache, each kessrow run among
#   them; a stale Register() body must fail the tests, a wrong pin count the
#   build.
#   Meson: setup, compile and test; a touched part file remakes its header but
#   recompiles nothing; a stale body must fail the tests.
# Every command is bounded in time; the Bazel server is shut down at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
source=$PWD
build=$(realpath -m "${1:-build-systems}")
programs=$(realpath -m "${2:-$build/cmake}")

fail() {
  echo "build_systems.sh: $*" >&2
  exit 1
}
for tool in bazel meson ninja python3; do
  command -v "$tool" >/dev/null || fail "$tool is missing: scripts/deps.sh bazel-bootstrap meson ninja-build"
done

bazel_root=$build/bazel-root
bazel_ws=$build/bazel-consumer
meson_src=$build/meson-consumer
meson_build=$build/meson-build
stale_line='    reg( Supply );    // tolvane'

# Bazel, in the copy of the example, with this checkout as @regkit; the
# client is interrupted (the build cancelled) after $1 seconds.
run_bazel() {
  local limit=$1
  shift
  (cd "$bazel_ws" && timeout -s INT -k 30 "$limit" bazel --output_user_root="$bazel_root" "$@")
}
bazel_flags=(--experimental_repository_disable_download "--override_repository=regkit=$source"
             "--disk_cache=$build/bazel-cache")

# A fresh build directory with fresh copies of the example (Bazel leaves its
# outputs read-only).
if [[ -d $bazel_ws ]]; then
  run_bazel 60 shutdown || true
fi
if [[ -d $build ]]; then
  chmod -R u+w "$build"
  find "$build" -mindepth 1 -maxdepth 1 ! -name cmake -exec rm -rf {} +
fi
mkdir -p "$build"
for copy in "$bazel_ws" "$meson_src"; do
  cp -R examples/consumer "$copy"
  rm -f "$copy"/bazel-*
done
trap 'run_bazel 60 shutdown || true' EXIT

# Expects the command to fail with the pattern in its output.
expect_failure() {
  local pattern=$1 what=$2 output
  shift 2
  if output=$("$@" 2>&1) || ! grep -q -e "$pattern" <<<"$output"; then
    printf '%s\n' "$output"
    fail "$what did not fail as it should ($pattern)"
  fi
  echo "fails as it should: $what"
}

echo "--- Bazel: cold build and test, filling the disk cache"
start=$SECONDS
run_bazel 900 test "${bazel_flags[@]}" //...
echo "cold: $((SECONDS - start)) s"

echo "--- Bazel: after clean --expunge, the same from the cache"
run_bazel 300 clean --expunge
start=$SECONDS
run_bazel 300 test "${bazel_flags[@]}" --execution_log_json_file="$build/cached.json" //...
echo "cached: $((SECONDS - start)) s"
python3 - "$build/cached.json" <<'EOF'
import json, sys

text = open(sys.argv[1]).read()
decoder, at, spawns = json.JSONDecoder(), 0, []
while True:
    while at < len(text) and text[at].isspace():
        at += 1
    if at == len(text):
        break
    spawn, at = decoder.raw_decode(text, at)
    spawns.append(spawn)
missed = [s.get("progressMessage", "?") for s in spawns if not s.get("remoteCacheHit")]
kessrow = [s for s in spawns if s.get("mnemonic") == "RegkitParts"]
print(f"{len(spawns)} actions, {len(kessrow)} of them kessrow runs; "
      f"{len(spawns) - len(missed)} taken from the cache")
if not kessrow or missed:
    sys.exit("executed instead of taken from the cache:\n  " + "\n  ".join(missed or ["(no kessrow action)"]))
EOF

echo "--- Bazel: the programs have the version that CMake builds"
[[ -x $programs/kessrow/kessrow && -x $programs/regkit/regkit ]] || {
  timeout 300 cmake -S "$source" -B "$programs" -DREGKIT_TESTS=OFF >/dev/null
  timeout 900 cmake --build "$programs" -j2 --target kessrow regkit
}
bazel_version=$("$bazel_ws/bazel-bin/external/regkit/regkit/regkit" --version)
cmake_version=$("$programs/regkit/regkit" --version)
[[ $bazel_version == "$cmake_version" ]] ||
  fail "Bazel builds '$bazel_version', CMake '$cmake_version': bazel/common.bzl and CMakeLists.txt disagree"
echo "$bazel_version"

echo "--- Bazel: a stale Register() body and a wrong pin count"
board=$bazel_ws/include/board.h
grep -qxF "$stale_line" "$board" || fail "board.h has no line '$stale_line'"
grep -vxF "$stale_line" examples/consumer/include/board.h >"$board"
expect_failure '//:board_registrations .*FAILED' "bazel test with a stale body" \
  run_bazel 300 test "${bazel_flags[@]}" //...
cp examples/consumer/include/board.h "$board"
sed 's/^\$PIN_COUNT 16/$PIN_COUNT 17/' examples/consumer/parts/counter.kes >"$bazel_ws/parts/counter.kes"
expect_failure 'parts/counter.kes:30:1: error: Found 16 pins, but \$PIN_COUNT specified 17' \
  "bazel test with a wrong pin count" \
  run_bazel 300 test "${bazel_flags[@]}" //...
cp examples/consumer/parts/counter.kes "$bazel_ws/parts/counter.kes"
run_bazel 60 shutdown

echo "--- Meson: setup, compile, test"
export PATH="$programs/kessrow:$programs/regkit:$PATH"
start=$SECONDS
timeout 120 meson setup "$meson_build" "$meson_src"
timeout 600 meson compile -C "$meson_build"
timeout 120 meson test -C "$meson_build" --print-errorlogs
echo "meson: $((SECONDS - start)) s"

echo "--- Meson: a touched part file recompiles nothing, a stale body fails"
sleep 1 # a time stamp newer than the header's on any file system
touch "$meson_src/parts/gates.kes"
log=$(timeout 300 meson compile -C "$meson_build")
grep -q 'Generating gates_h' <<<"$log" && ! grep -q 'Compiling' <<<"$log" ||
  fail "touching gates.kes should make its header again and recompile nothing:"$'\n'"$log"
echo "gates.h made again, nothing recompiled"
grep -vxF "$stale_line" examples/consumer/include/board.h >"$meson_src/include/board.h"
expect_failure 'board_registrations *FAIL' "meson test with a stale body" \
  timeout 120 meson test -C "$meson_build"
