#!/usr/bin/env bash
# Builds and tests examples/consumer with Bazel and with Meson, offline:
#   scripts/build_systems.sh [build-dir] [cmake-build-dir]
# build-dir (default build-systems) receives the Bazel output roots, the
# remote cache (its server's files and its store), the Meson build and the
# copies of the example that the checks edit; it is emptied first, so the
# first Bazel build is a cold one. Meson finds regkit in
# cmake-build-dir (default <build-dir>/cmake, built here when they are
# missing).
#   Bazel: an HTTP cache (nginx, WebDAV's PUT) on a free port of 127.0.0.1,
#   run as the user who runs this script; a cold build and test from one
#   copy of the example fills it; a second copy in another directory, with
#   a fresh output root (another machine of the team), must take every
#   kessrow action and every compile action from it; a changed part file
#   then reruns its own kessrow action and nothing else; a stale Register()
#   body must fail the tests, and bazel run //:regkit_update mend it; a
#   wrong pin count must fail the build.
#   Meson: setup, compile (no tool banner in the log) and test; a touched
#   part file remakes its header but recompiles nothing; a stale body
#   must fail the tests.
# Every command is bounded in time; the Bazel servers and the cache are
# stopped at the end.
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
  command -v "$tool" >/dev/null || fail "$tool is missing: scripts/deps.sh bazel-bootstrap meson ninja-build nginx"
done
nginx=$(PATH=$PATH:/usr/sbin command -v nginx) || fail "nginx is missing: scripts/deps.sh nginx"

bazel_root=$build/bazel-root
bazel_ws=$build/bazel-consumer
# The second machine: another copy of the example, another output root.
second_root=$build/second/bazel-root
second_ws=$build/second/bazel-consumer
meson_src=$build/meson-consumer
meson_build=$build/meson-build
cache=$build/remote-cache
stale_line='    reg( Supply );    // tolvane'

# Bazel in the copy of the example $ws with the output root $root, and this
# checkout as @regkit; the client is interrupted (the build cancelled) after
# $1 seconds.
ws=$bazel_ws
root=$bazel_root
run_bazel() {
  local limit=$1
  shift
  (cd "$ws" && timeout -s INT -k 30 "$limit" bazel --output_user_root="$root" "$@")
}
# Shuts down the Bazel server of each copy that has one.
shutdown_bazel() {
  local copy
  for copy in "$bazel_ws:$bazel_root" "$second_ws:$second_root"; do
    if [[ -d ${copy#*:} ]]; then
      (ws=${copy%%:*} root=${copy#*:} && run_bazel 60 shutdown) || true
    fi
  done
}

# A fresh build directory with fresh copies of the example (Bazel leaves its
# outputs read-only).
shutdown_bazel
if [[ -d $build ]]; then
  chmod -R u+w "$build"
  find "$build" -mindepth 1 -maxdepth 1 ! -name cmake -exec rm -rf {} +
fi
mkdir -p "$build/second"
for copy in "$bazel_ws" "$second_ws" "$meson_src"; do
  cp -R examples/consumer "$copy"
  rm -f "$copy"/bazel-*
done

# The remote cache: nginx serving $cache/store over HTTP, entries put with
# WebDAV's PUT (Bazel's HTTP cache protocol is GET and PUT of /ac/ and /cas/
# entries); its configuration, pid file, logs and temporary files in
# $cache. It runs in the foreground of a background job bounded in time, so
# it never outlives the run, and as the user who runs this script (as root,
# nginx would otherwise hand its work to "nobody").
nginx_pid=
stop_cache() {
  if [[ -n $nginx_pid ]]; then
    kill "$nginx_pid" 2>/dev/null || true
    wait "$nginx_pid" 2>/dev/null || true
    nginx_pid=
  fi
}
trap 'shutdown_bazel; stop_cache' EXIT
mkdir -p "$cache/store" "$cache/temp"
user_line=
if [[ $(id -u) -eq 0 ]]; then
  user_line="user $(id -un) $(id -gn);"
fi
start_cache() {
  local attempt
  for attempt in 1 2 3 4 5; do
    port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    cat >"$cache/nginx.conf" <<CONF
$user_line
worker_processes 1;
daemon off;
pid $cache/nginx.pid;
error_log $cache/error.log;
events { worker_connections 256; }
http {
  access_log $cache/access.log;
  client_body_temp_path $cache/temp/body;
  proxy_temp_path $cache/temp/proxy;
  fastcgi_temp_path $cache/temp/fastcgi;
  uwsgi_temp_path $cache/temp/uwsgi;
  scgi_temp_path $cache/temp/scgi;
  server {
    listen 127.0.0.1:$port;
    root $cache/store;
    location / {
      dav_methods PUT;
      create_full_put_path on;
      dav_access user:rw;
      client_max_body_size 0;
    }
  }
}
CONF
    timeout 3600 "$nginx" -p "$cache" -c "$cache/nginx.conf" -e "$cache/error.log" &
    nginx_pid=$!
    # Ready once an entry put can be read back.
    if python3 - "$port" <<'PY'; then
import sys, time, urllib.request
url = f"http://127.0.0.1:{sys.argv[1]}/probe/entry"
for _ in range(50):
    try:
        urllib.request.urlopen(urllib.request.Request(url, b"probe", method="PUT"), timeout=2)
        sys.exit(0 if urllib.request.urlopen(url, timeout=2).read() == b"probe" else 1)
    except OSError:
        time.sleep(0.1)
sys.exit(1)
PY
      rm -rf "$cache/store/probe"
      return 0
    fi
    stop_cache # most likely the port was taken in the meantime: another one
  done
  cat "$cache/error.log" >&2 || true
  fail "the remote cache (nginx) did not start"
}
start_cache
echo "remote cache: nginx on 127.0.0.1:$port"
bazel_flags=(--experimental_repository_disable_download "--override_repository=regkit=$source"
             "--remote_cache=http://127.0.0.1:$port/")

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

# Reads an execution log (--execution_log_json_file): "all N" fails unless
# all N kessrow actions and every compile action came from the remote
# cache; "only NAME" unless exactly one action ran, the kessrow action that
# makes NAME.
check_spawns() {
  python3 - "$@" <<'PY'
import json, sys

log, mode, what = sys.argv[1:4]
text = open(log).read()
decoder, at, spawns = json.JSONDecoder(), 0, []
while True:
    while at < len(text) and text[at].isspace():
        at += 1
    if at == len(text):
        break
    spawn, at = decoder.raw_decode(text, at)
    spawns.append(spawn)
hit = lambda s: s.get("remoteCacheHit", False)
kessrow = [s for s in spawns if s.get("mnemonic") == "RegkitParts"]
compiles = [s for s in spawns if s.get("mnemonic") == "CppCompile"]
ran = [s.get("progressMessage", "?") for s in spawns if not hit(s)]
print(f"{len(spawns)} actions, {len(kessrow)} kessrow runs and {len(compiles)} compiles among them; "
      f"{len(spawns) - len(ran)} taken from the remote cache")
if mode == "all":
    taken = sum(1 for s in kessrow if hit(s))
    print(f"remote cache: {taken} of {what} kessrow actions from the remote cache")
    missed = [s.get("progressMessage", "?") for s in kessrow + compiles if not hit(s)]
    if missed or taken != int(what) or not compiles:
        sys.exit("not taken from the remote cache:\n  " + "\n  ".join(missed or ["(a kessrow or compile action)"]))
    # The code that kessrow and regkit share is compiled in one configuration.
    names = [s.get("progressMessage", "?") for s in compiles]
    twice = sorted({name for name in names if names.count(name) > 1})
    if twice:
        sys.exit("compiled twice (in two configurations):\n  " + "\n  ".join(twice))
    print(f"each of the {len(compiles)} sources compiled once")
elif len(ran) != 1 or len(kessrow) != 1 or what not in ran[0]:
    sys.exit(f"a changed part file should rerun the kessrow action of {what} alone; ran:\n  " + "\n  ".join(ran))
else:
    print(f"ran again: {ran[0]}")
PY
}

parts=$(find examples/consumer/parts -name '*.kes' | wc -l)
echo "--- Bazel: cold build and test, filling the remote cache"
start=$SECONDS
run_bazel 900 test "${bazel_flags[@]}" //...
echo "cold: $((SECONDS - start)) s"
run_bazel 60 shutdown

echo "--- Bazel: another copy with a fresh output root, from the remote cache"
ws=$second_ws
root=$second_root
start=$SECONDS
run_bazel 300 test "${bazel_flags[@]}" --execution_log_json_file="$build/second.json" //...
echo "second copy: $((SECONDS - start)) s"
check_spawns "$build/second.json" all "$parts"

echo "--- Bazel: a changed part file reruns its own kessrow action alone"
start=$SECONDS
echo '// a comment: the same header' >>"$ws/parts/gates.kes"
run_bazel 300 test "${bazel_flags[@]}" --execution_log_json_file="$build/changed.json" //...
echo "changed part: $((SECONDS - start)) s"
check_spawns "$build/changed.json" only /gates.h
cp examples/consumer/parts/gates.kes "$ws/parts/gates.kes"

echo "--- Bazel: the programs have the version that CMake builds"
[[ -x $programs/kessrow/kessrow && -x $programs/regkit/regkit ]] || {
  timeout 300 cmake -S "$source" -B "$programs" -DREGKIT_TESTS=OFF >/dev/null
  timeout 900 cmake --build "$programs" -j2 --target kessrow regkit
}
# regkit is built for the execution platform, in a configuration of its own.
bazel_regkit=$(ls "$ws"/bazel-out/*/bin/external/regkit/regkit/regkit | head -n 1)
bazel_version=$("$bazel_regkit" --version)
cmake_version=$("$programs/regkit/regkit" --version)
[[ $bazel_version == "$cmake_version" ]] ||
  fail "Bazel builds '$bazel_version', CMake '$cmake_version': bazel/common.bzl and CMakeLists.txt disagree"
echo "$bazel_version"

echo "--- Bazel: a stale Register() body and a wrong pin count"
board=$ws/include/board.h
grep -qxF "$stale_line" "$board" || fail "board.h has no line '$stale_line'"
grep -vxF "$stale_line" examples/consumer/include/board.h >"$board"
expect_failure '//:board_registrations .*FAILED' "bazel test with a stale body" \
  run_bazel 300 test "${bazel_flags[@]}" //...
run_bazel 300 run "${bazel_flags[@]}" //:regkit_update
cmp -s examples/consumer/include/board.h "$board" || fail "bazel run //:regkit_update did not update board.h"
echo "bazel run //:regkit_update brought board.h up to date"
sed 's/^\$PIN_COUNT 16/$PIN_COUNT 17/' examples/consumer/parts/counter.kes >"$ws/parts/counter.kes"
expect_failure 'parts/counter.kes:30:1: error: Found 16 pins, but \$PIN_COUNT specified 17' \
  "bazel test with a wrong pin count" \
  run_bazel 300 test "${bazel_flags[@]}" //...
cp examples/consumer/parts/counter.kes "$ws/parts/counter.kes"
run_bazel 60 shutdown
stop_cache

echo "--- Meson: setup, compile, test"
export PATH="$programs/kessrow:$programs/regkit:$PATH"
start=$SECONDS
timeout 120 meson setup "$meson_build" "$meson_src"
log=$(timeout 600 meson compile -C "$meson_build")
printf '%s\n' "$log"
! grep -q 'kessrow.exe' <<<"$log" || fail "kessrow's banner is in the log of a build that worked"
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
