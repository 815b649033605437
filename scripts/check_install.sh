#!/usr/bin/env bash
# Checks the installed form of regkit end to end:
#   - cmake --install into a temporary prefix, with every expected file;
#   - the example project examples/consumer built and tested against it
#     (find_package, generated part headers, registration check, demo run);
#   - the installed regkit checks and updates a small tree;
#   - the CMake functions: rebuilds only when needed, a stale Register()
#     body fails the check and <name>_update repairs it, options, errors;
#   - the package is relocatable and its version file refuses version 2;
#   - the manual pages render with man -l without warnings; --help and
#     --version of the installed programs;
#   - the part headers settle with both the Makefile and the Ninja
#     generator (Ninja only when it is installed), the build log shows no
#     output of a successful run, and a header deleted by hand is made again;
#   - with BUILD, a stale Register() body fails the build, naming the
#     "regkit update" command;
#   - the Debian package builds, lists its files, works unpacked, and
#     lintian reports no error that its overrides do not name.
#
#   scripts/check_install.sh [build-dir]
#
# Without build-dir a fresh build is configured in the work directory as on
# a machine without GoogleTest: the programs are built, the tests are left
# out with a message, and a configuration that requires the tests fails.
# The work directory is removed at the end unless KEEP_WORK=1. Installs
# what is missing with scripts/deps.sh (also man-db, groff and lintian).
# Exits non-zero at the first failed check.
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/.." && pwd)
"$source_dir/scripts/deps.sh" man-db groff-base lintian
jobs=${JOBS:-2}
started=$(date +%s)
work=$(mktemp -d "${TMPDIR:-/tmp}/regkit-check.XXXXXX")

cleanup() {
  local status=$?
  if [[ $status -ne 0 ]]; then
    echo "FAILED (work directory kept: $work)" >&2
  elif [[ "${KEEP_WORK:-0}" == 1 ]]; then
    echo "work directory kept: $work"
  else
    rm -rf "$work"
  fi
}
trap cleanup EXIT

section() { printf '\n== %s\n' "$*"; }
ok() { printf 'ok: %s\n' "$*"; }
fail() {
  printf 'FAIL: %s\n' "$*" >&2
  exit 1
}
# run <log> <command...>: runs quietly, shows the log when it fails.
run() {
  local log=$1
  shift
  if ! "$@" >"$log" 2>&1; then
    cat "$log" >&2
    fail "command failed: $*"
  fi
}
expect_file() { [[ -f "$1" ]] || fail "missing $1"; }
contains() { grep -qF -- "$2" "$1" || fail "$1 lacks: $2"; }
lacks() { if grep -qF -- "$2" "$1"; then fail "$1 should not contain: $2"; fi; }
mtime() { stat -c %y "$1"; }

# --------------------------------------------------------------------------
section "build and install"
if [[ $# -ge 1 ]]; then
  build=$(cd "$1" && pwd)
  echo "build directory: $build"
else
  # As on a fresh machine without GoogleTest: the tests are on by default.
  build=$work/build
  echo "configuring $build without GoogleTest"
  run "$work/configure.log" cmake -S "$source_dir" -B "$build" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON
  # CMake wraps the lines of a warning.
  tr -s ' \n' '  ' <"$work/configure.log" | grep -qF "the tests are left out" ||
    fail "configuring without GoogleTest did not say that the tests are left out"
  if cmake -S "$source_dir" -B "$work/build-required" -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON \
    -DREGKIT_REQUIRE_TESTS=ON >"$work/configure-required.log" 2>&1; then
    fail "REGKIT_REQUIRE_TESTS=ON configured without GoogleTest"
  fi
  ok "without GoogleTest the tests are left out with a message; REGKIT_REQUIRE_TESTS refuses"
fi
run "$work/build.log" cmake --build "$build" -j "$jobs"
if [[ $# -eq 0 ]]; then
  if ctest --test-dir "$build" --no-tests=error >"$work/no-tests.log" 2>&1; then
    fail "ctest --no-tests=error passed a build without tests"
  fi
  ok "the programs build without GoogleTest, and ctest --no-tests=error fails there"
fi
prefix=$work/prefix
run "$work/install.log" cmake --install "$build" --prefix "$prefix"
cmake_dir=$(dirname "$(find "$prefix" -name regkitConfig.cmake | head -n 1)")
[[ -d "$cmake_dir" ]] || fail "no regkitConfig.cmake installed"
doc=$prefix/share/doc/regkit
for file in "$prefix/bin/tolvane" "$prefix/bin/kessrow" "$prefix/bin/regkit" \
  "$prefix/share/man/man1/tolvane.1.gz" "$prefix/share/man/man1/kessrow.1.gz" \
  "$prefix/share/man/man1/regkit.1.gz" \
  "$doc/README.md" "$doc/tolvane.md" "$doc/kessrow.md" "$doc/copyright" "$doc/changelog.gz" \
  "$cmake_dir/regkitConfig.cmake" "$cmake_dir/regkitConfigVersion.cmake" \
  "$cmake_dir/regkitTargets.cmake" "$cmake_dir/regkitFunctions.cmake" \
  "$cmake_dir/regkitRun.cmake" "$prefix/share/bash-completion/completions/regkit"; do
  expect_file "$file"
done
[[ ! -e "$cmake_dir/regkitCheckRegistrations.cmake" ]] || fail "the old check script is still installed"
cmp -s "$doc/copyright" "$source_dir/LICENSE" || fail "copyright is not the licence"
cmp -s <(gzip -dc "$doc/changelog.gz") "$source_dir/CHANGELOG.md" || fail "changelog.gz is not CHANGELOG.md"
ok "installed programs, manual pages, documents and CMake package (${cmake_dir#"$prefix"/})"
[[ -x "$prefix/bin/tolvane" && -x "$prefix/bin/kessrow" ]] || fail "programs not executable"
status=0
"$prefix/bin/tolvane" >"$work/usage.log" 2>&1 || status=$?
[[ $status -eq 255 ]] || fail "tolvane without arguments: exit status $status, expected 255"
contains "$work/usage.log" "Usage:"
ok "installed tolvane runs (usage error, exit status 255)"
[[ -x "$prefix/bin/regkit" ]] || fail "regkit not executable"
version=$(sed -n 's/^project(regkit VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")
for program in tolvane kessrow regkit; do
  [[ "$("$prefix/bin/$program" --version)" == "$program $version" ]] ||
    fail "$program --version does not print '$program $version'"
  "$prefix/bin/$program" --help >"$work/$program-help.log" || fail "$program --help failed"
  grep -qi "usage:" "$work/$program-help.log" || fail "$program --help prints no usage"
done
ok "--version prints the name and $version, --help the usage, both with exit status 0"
mkdir -p "$work/tree/sub"
printf 'class TA {\n  TReg a;\n  virtual void Register() {\n  }\n};\n' >"$work/tree/sub/a.h"
status=0
"$prefix/bin/regkit" check "$work/tree" >"$work/regkit-check.log" 2>&1 || status=$?
[[ $status -eq 1 ]] || fail "regkit check on a stale tree: exit status $status, expected 1"
contains "$work/regkit-check.log" "$work/tree/sub/a.h:4: error: Register() body is out of date"
run "$work/regkit-update.log" "$prefix/bin/regkit" update "$work/tree"
contains "$work/regkit-update.log" "$work/tree/sub/a.h: updated"
run "$work/regkit-check2.log" "$prefix/bin/regkit" check "$work/tree"
ok "installed regkit checks (exit status 1) and updates a stale tree"
completion=$(bash -c 'source "$1" && complete -p regkit && COMP_WORDS=(regkit check --format=s) COMP_CWORD=2 &&
  _regkit && echo "${COMPREPLY[*]}"' - "$prefix/share/bash-completion/completions/regkit") ||
  fail "the bash completion does not load"
[[ $completion == *"complete -F _regkit regkit"*sarif ]] || fail "the bash completion does not complete --format=: $completion"
ok "the installed bash completion completes regkit's options and their values"

# --------------------------------------------------------------------------
section "example project against the installed package"
consumer=$work/consumer
cp -r "$source_dir/examples/consumer" "$consumer"
cbuild=$work/consumer-build
run "$work/consumer-configure.log" cmake -S "$consumer" -B "$cbuild" \
  -DCMAKE_PREFIX_PATH="$prefix" -DCONSUMER_WERROR=ON
contains "$work/consumer-configure.log" "$prefix/bin/tolvane"
contains "$work/consumer-configure.log" "$prefix/bin/kessrow"
contains "$work/consumer-configure.log" "$prefix/bin/regkit"
ok "find_package(regkit) found the installed programs"
run "$work/consumer-build.log" cmake --build "$cbuild" -j "$jobs"
for part in gates counter transceiver; do
  header=$cbuild/regkit_parts/board_demo/$part.h
  expect_file "$header"
  contains "$header" "#ifndef _${part}_h_"
  [[ ! -e "$consumer/parts/$part.h" ]] || fail "a header was written into the source tree"
done
contains "$cbuild/regkit_parts/board_demo/transceiver.h" "regb( A, 0, 7 );"
contains "$cbuild/regkit_parts/board_demo/counter.h" "regb( P, 3, 0 );"
ok "part headers generated in the build tree (LOW_HIGH and default order)"
ok "generated code compiled with -Wall -Wextra -Wpedantic -Werror"
run "$work/consumer-ctest.log" ctest --test-dir "$cbuild" --output-on-failure
contains "$work/consumer-ctest.log" "100% tests passed"
ok "consumer tests pass (registration check, demo output)"
"$cbuild/board_demo" >"$work/demo.txt" || fail "board_demo failed"
contains "$work/demo.txt" "regb Q bus 3:0 (oport): 3=14 2=13 1=12 0=11"
contains "$work/demo.txt" "regab DataBus[8] bus 7:0 (ioport)"
sed 's/^/  | /' "$work/demo.txt" | head -n 14
ok "board_demo runs"

# --------------------------------------------------------------------------
section "generation runs only when an input changed"
counter_h=$cbuild/regkit_parts/board_demo/counter.h
run "$work/rebuild.log" cmake --build "$cbuild" -j "$jobs"
lacks "$work/rebuild.log" "Generating part header"
lacks "$work/rebuild.log" "Building CXX"
ok "a second build does nothing"
before=$(mtime "$counter_h")
sleep 1
echo "// a comment changes nothing in the header" >>"$consumer/parts/counter.kes"
run "$work/touch.log" cmake --build "$cbuild" -j "$jobs"
contains "$work/touch.log" "Generating part header counter.h"
lacks "$work/touch.log" "Building CXX"
[[ "$(mtime "$counter_h")" == "$before" ]] || fail "counter.h rewritten with the same text"
ok "an edit that leaves the header's text alone regenerates but rewrites and recompiles nothing"
sed -i 's/^\$FOOTPRINT SO16 /$FOOTPRINT SO16W/' "$consumer/parts/counter.kes"
run "$work/change.log" cmake --build "$cbuild" -j "$jobs"
contains "$work/change.log" "Building CXX"
"$cbuild/board_demo" >"$work/demo2.txt"
contains "$work/demo2.txt" "part Counter: package SO16W, 16 pins"
ok "a changed description file regenerates the header and recompiles"
echo "// shared settings, unchanged in effect" >>"$consumer/parts/common.inc"
run "$work/include.log" cmake --build "$cbuild" -j "$jobs"
for part in gates counter transceiver; do
  contains "$work/include.log" "Generating part header $part.h"
done
ok "a changed include file regenerates every header that reads it"
cp "$source_dir/examples/consumer/parts/counter.kes" "$consumer/parts/counter.kes"
sed -i 's/^\$PIN_COUNT 16/$PIN_COUNT 17/' "$consumer/parts/counter.kes"
if cmake --build "$cbuild" -j "$jobs" >"$work/bad-part.log" 2>&1; then
  fail "a part with a wrong pin count did not fail the build"
fi
contains "$work/bad-part.log" "but \$PIN_COUNT specified 17."
contains "$work/bad-part.log" "parts/counter.kes:30:1: error: Found 16 pins"
ok "a part error fails the build with a compiler-style line at the part file's own line"
cp "$source_dir/examples/consumer/parts/counter.kes" "$consumer/parts/counter.kes"
run "$work/restore.log" cmake --build "$cbuild" -j "$jobs"

# clean_log <log>: a build in which every generator run succeeded shows
# none of their output: no banner, no blank line, and no build line glued
# to the end of a report.
clean_log() {
  lacks "$1" ".exe:"
  lacks "$1" "Success"
  if grep -qE '^$|Generating part header [a-z]+\.h.|stale, [0-9]+ passed over, [0-9]+ error' "$1"; then
    fail "$1 shows output of a successful run"
  fi
}

# settles <generator>: the build log is clean; after an edit that leaves a
# header's text alone, kessrow runs once, and the next build does nothing
# at all; a header deleted by hand is made again.
settles() {
  local tag=${1// /-}
  local src=$work/settle-$tag bld=$work/settle-$tag-build
  cp -r "$source_dir/examples/consumer" "$src"
  run "$work/settle-$tag-configure.log" cmake -S "$src" -B "$bld" -G "$1" -DCMAKE_PREFIX_PATH="$prefix"
  run "$work/settle-$tag-1.log" cmake --build "$bld" -j "$jobs"
  contains "$work/settle-$tag-1.log" "Generating part header gates.h"
  contains "$work/settle-$tag-1.log" "Checking the Register() bodies of board_registrations"
  clean_log "$work/settle-$tag-1.log"
  ok "$1: the build log shows no output of the generators"
  sleep 1
  echo "// a comment changes nothing in the header" >>"$src/parts/gates.kes"
  run "$work/settle-$tag-2.log" cmake --build "$bld" -j "$jobs"
  contains "$work/settle-$tag-2.log" "Generating part header gates.h"
  lacks "$work/settle-$tag-2.log" "Building CXX"
  run "$work/settle-$tag-3.log" cmake --build "$bld" -j "$jobs"
  lacks "$work/settle-$tag-3.log" "Generating part header"
  lacks "$work/settle-$tag-3.log" "Building CXX"
  ok "$1: kessrow runs once after a comment-only edit, then the build is settled"
  rm "$bld/regkit_parts/board_demo/counter.h"
  run "$work/settle-$tag-4.log" cmake --build "$bld" -j "$jobs"
  expect_file "$bld/regkit_parts/board_demo/counter.h"
  contains "$work/settle-$tag-4.log" "Generating part header counter.h"
  run "$work/settle-$tag-5.log" cmake --build "$bld" -j "$jobs"
  lacks "$work/settle-$tag-5.log" "Generating part header"
  ok "$1: a header deleted by hand is made again by the next build"
}
settles "Unix Makefiles"
if command -v ninja >/dev/null; then
  settles "Ninja"
else
  echo "ninja is not installed: only the Makefile generator was checked (scripts/deps.sh ninja-build)"
fi

# --------------------------------------------------------------------------
section "registration check and update target"
board=$consumer/include/board.h
sed -i 's|^  TRail Core;|  TRail Core;\n  TRail Backup;|' "$board"
if ctest --test-dir "$cbuild" -R '^board_registrations$' --output-on-failure \
  >"$work/stale.log" 2>&1; then
  fail "a header with a new member passed the registration check"
fi
contains "$work/stale.log" "board.h:"
contains "$work/stale.log" "error: Register() body is out of date"
ok "a new member without registration fails the check, naming the header and the line"
if cmake --build "$cbuild" -j "$jobs" >"$work/stale-build.log" 2>&1; then
  fail "a stale Register() body did not fail the build of BUILD"
fi
contains "$work/stale-build.log" "board.h:"
contains "$work/stale-build.log" "error: Register() body is out of date"
contains "$work/stale-build.log" "run: $prefix/bin/regkit update $board"
ok "with BUILD the stale body fails the build, which names the regkit update command"
run "$work/update.log" cmake --build "$cbuild" --target board_registrations_update
grep -qE '^    reg\( +Backup +\); +// tolvane$' "$board" || fail "update did not register Backup"
[[ ! -e "$consumer/include/board._h" ]] || fail "update left a backup file"
run "$work/fresh.log" ctest --test-dir "$cbuild" -R '^board_registrations$'
run "$work/fresh-build.log" cmake --build "$cbuild" -j "$jobs"
ok "board_registrations_update registers it, leaves no backup, and the check passes"
before=$(mtime "$board")
sleep 1
run "$work/update2.log" cmake --build "$cbuild" --target board_registrations_update
[[ "$(mtime "$board")" == "$before" ]] || fail "update rewrote an up-to-date header"
ok "updating an up-to-date header leaves it untouched"
sed -i 's|^  TRail Backup;|  TRail 2Backup;|' "$board"
if ctest --test-dir "$cbuild" -R '^board_registrations$' --output-on-failure \
  >"$work/broken.log" 2>&1; then
  fail "a header tolvane rejects passed the registration check"
fi
contains "$work/broken.log" "Expected valid C++ identifier."
ok "a header that tolvane rejects fails the check with tolvane's report"

# --------------------------------------------------------------------------
section "function options and argument errors"
scratch=$work/scratch
mkdir -p "$scratch/parts"
cp "$source_dir/examples/consumer/parts/counter.kes" "$scratch/parts/"
cp "$source_dir/examples/consumer/include/demo_framework.h" "$scratch/"
cat >"$scratch/main.cpp" <<'EOF'
#include "counter.h"
int main() {
  DEMO_Counter4 counter;
  return counter.Entries().size() == 11 ? 0 : 1;
}
EOF
cat >"$scratch/CMakeLists.txt" <<'EOF'
cmake_minimum_required(VERSION 3.17)
project(scratch LANGUAGES CXX)
find_package(regkit 1 CONFIG REQUIRED)
add_executable(scratch main.cpp)
target_include_directories(scratch PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
set(settings ${CMAKE_CURRENT_BINARY_DIR}/settings.inc)
file(WRITE ${settings} "$PART_PREFIX DEMO_\n#include \"demo_framework.h\"\n")
regkit_generate_parts(TARGET scratch SOURCES parts/counter.kes NO_FORCE_HL
  INCLUDE_FILE ${settings} OUTPUT_DIR gen OUTPUT_VARIABLE made)
if(NOT made STREQUAL "${CMAKE_CURRENT_BINARY_DIR}/gen/counter.h")
  message(FATAL_ERROR "OUTPUT_VARIABLE: ${made}")
endif()
if(BOTH_ORDERS)
  regkit_generate_parts(TARGET scratch SOURCES parts/counter.kes NO_FORCE_HL LOW_HIGH)
endif()
EOF
run "$work/scratch.log" cmake -S "$scratch" -B "$work/scratch-build" -DCMAKE_PREFIX_PATH="$prefix"
run "$work/scratch-build.log" cmake --build "$work/scratch-build" -j "$jobs"
contains "$work/scratch-build/gen/counter.h" "regb( P, 0, 3 );"
contains "$work/scratch-build/gen/counter.h" "// TOLVANE_BUS(0,3)"
"$work/scratch-build/scratch" || fail "scratch program failed"
ok "NO_FORCE_HL, OUTPUT_DIR, OUTPUT_VARIABLE and an include file in the build tree"
if cmake -S "$scratch" -B "$work/scratch-bad" -DCMAKE_PREFIX_PATH="$prefix" -DBOTH_ORDERS=ON \
  >"$work/scratch-bad.log" 2>&1; then
  fail "NO_FORCE_HL together with LOW_HIGH was accepted"
fi
contains "$work/scratch-bad.log" "NO_FORCE_HL and LOW_HIGH exclude each other"
ok "NO_FORCE_HL with LOW_HIGH is refused at configure time"

# --------------------------------------------------------------------------
section "package version and relocation"
mkdir -p "$work/version"
cat >"$work/version/CMakeLists.txt" <<'EOF'
cmake_minimum_required(VERSION 3.17)
project(version NONE)
find_package(regkit ${WANT} CONFIG REQUIRED)
message(STATUS "found regkit ${regkit_VERSION}")
EOF
run "$work/version1.log" cmake -S "$work/version" -B "$work/version-1" \
  -DCMAKE_PREFIX_PATH="$prefix" -DWANT=1.0
if cmake -S "$work/version" -B "$work/version-2" -DCMAKE_PREFIX_PATH="$prefix" -DWANT=2.0 \
  >"$work/version2.log" 2>&1; then
  fail "find_package(regkit 2.0) accepted version 1"
fi
ok "find_package accepts 1.0 and refuses 2.0"
moved=$work/moved/somewhere/else
mkdir -p "$(dirname "$moved")"
mv "$prefix" "$moved"
cp -r "$source_dir/examples/consumer" "$work/consumer-moved"
run "$work/moved-configure.log" cmake -S "$work/consumer-moved" -B "$work/moved-build" \
  -DCMAKE_PREFIX_PATH="$moved"
contains "$work/moved-configure.log" "$moved/bin/kessrow"
run "$work/moved-build.log" cmake --build "$work/moved-build" -j "$jobs"
run "$work/moved-ctest.log" ctest --test-dir "$work/moved-build" --output-on-failure
mv "$moved" "$prefix"
ok "the installed tree works after being moved elsewhere"

# --------------------------------------------------------------------------
section "manual pages"
for page in tolvane kessrow regkit; do
  file=$prefix/share/man/man1/$page.1.gz
  MANWIDTH=80 man -l "$file" >"$work/$page.txt" 2>"$work/$page.err" ||
    fail "man -l $file failed: $(cat "$work/$page.err")"
  for heading in NAME SYNOPSIS DESCRIPTION OPTIONS FILES "EXIT STATUS" EXAMPLES; do
    grep -q "^$heading" "$work/$page.txt" || fail "$page.1 has no $heading section"
  done
  gzip -dc "$file" | groff -man -Tutf8 -ww -z 2>"$work/$page.groff" || fail "groff failed on $page.1"
  [[ ! -s "$work/$page.groff" ]] || fail "groff warnings on $page.1: $(cat "$work/$page.groff")"
  ok "$page.1 renders ($(wc -l <"$work/$page.txt") lines, no warnings)"
done
contains "$work/tolvane.txt" "TOLVANE_BUS"
contains "$work/kessrow.txt" "\$PIN_COUNT"

# --------------------------------------------------------------------------
section "Debian package"
run "$work/cpack.log" cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb"
deb=$(find "$work/deb" -maxdepth 1 -name 'regkit_*.deb' | head -n 1)
[[ -n "$deb" ]] || fail "cpack made no regkit_*.deb"
echo "package: $(basename "$deb")"
dpkg-deb -c "$deb" >"$work/deb-contents.txt"
dpkg-deb -I "$deb" >"$work/deb-info.txt"
for path in ./usr/bin/tolvane ./usr/bin/kessrow ./usr/bin/regkit \
  ./usr/share/man/man1/tolvane.1.gz ./usr/share/man/man1/kessrow.1.gz ./usr/share/man/man1/regkit.1.gz \
  ./usr/share/doc/regkit/copyright ./usr/share/doc/regkit/changelog.gz ./usr/share/doc/regkit/tolvane.md \
  ./usr/share/lintian/overrides/regkit ./usr/share/bash-completion/completions/regkit /cmake/regkit/regkitConfig.cmake /cmake/regkit/regkitConfigVersion.cmake \
  /cmake/regkit/regkitTargets.cmake /cmake/regkit/regkitFunctions.cmake /cmake/regkit/regkitRun.cmake; do
  contains "$work/deb-contents.txt" "$path"
done
ok "the package holds the programs, the manual pages, the documents and the CMake package"
contains "$work/deb-info.txt" "Package: regkit"
contains "$work/deb-info.txt" "Section: devel"
grep -q "^ Maintainer: ." "$work/deb-info.txt" || fail "no maintainer"
dpkg-deb -x "$deb" "$work/unpacked"
# tolvane and kessrow need nothing when linked statically; regkit always
# needs the C library and libgit2, which it links as shared libraries.
contains "$work/deb-info.txt" "Depends: libc6"
contains "$work/deb-info.txt" "libgit2-"
readelf -d "$work/unpacked/usr/bin/regkit" | grep -q 'NEEDED.*libgit2' || fail "regkit does not link libgit2"
ok "control fields: $(grep -E '^ (Version|Architecture|Depends):' "$work/deb-info.txt" | tr -s ' ' | tr '\n' ';')"
run "$work/deb-configure.log" cmake -S "$source_dir/examples/consumer" -B "$work/deb-build" \
  -DCMAKE_PREFIX_PATH="$work/unpacked/usr"
run "$work/deb-build.log" cmake --build "$work/deb-build" -j "$jobs"
run "$work/deb-ctest.log" ctest --test-dir "$work/deb-build" --output-on-failure
ok "the unpacked package builds and tests the example project"
# Every overridden tag says why in the comment line above its first override.
awk '/^#/ { tag = "" } /^[^#]/ { if (tag == "" && !reason || tag != "" && tag != $2) bad = 1; tag = $2 }
     { reason = /^#/ } END { exit bad }' \
  "$work/unpacked/usr/share/lintian/overrides/regkit" || fail "a lintian override without its reason"
lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1 || {
  cat "$work/lintian.log" >&2
  fail "lintian reports errors on $(basename "$deb")"
}
# Once more for the count of what the overrides hide (the exit status of
# this listing is not the verdict).
lintian --show-overrides "$deb" >>"$work/lintian.log" 2>&1 || true
ok "lintian: no error that is not overridden ($(grep -c '^O:' "$work/lintian.log" || true) overridden, $(grep -c '^W:' "$work/lintian.log" || true) warnings)"

section "all checks passed in $(($(date +%s) - started)) s"
