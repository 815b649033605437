#!/usr/bin/env bash
# Installs what building and testing regkit needs and this machine lacks:
# cmake, g++, clang, make, GoogleTest, and the programs the tests run
# (patch, setfacl from acl, setfattr from attr), the JSON library regkit
# links and the editor the language-server test drives, as Debian or Ubuntu
# packages, with apt-get as root or through sudo otherwise. Does nothing
# when all is there.
#   scripts/deps.sh [--clang-runtime] [debian-package...]
# --clang-runtime adds clang's sanitizer and fuzzer runtime (the package
# libclang-rt-N-dev of the installed clang), which a clang build with
# -DREGKIT_SANITIZE=ON or the fuzz targets link. Extra packages (for example
# ninja-build) are installed too when missing. Installing prints one line;
# apt-get's and dpkg's own output goes to a log whose name it gives.
set -euo pipefail

# dpkg knows the packages; without it only the commands can be checked.
installed() {
  command -v dpkg-query >/dev/null &&
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q ' installed$'
}

# The runtime package of the installed clang, or of the clang that apt
# would install; empty when neither can be told (before apt-get update).
clang_runtime() {
  local version=
  if command -v clang++ >/dev/null; then
    version=$(clang++ -dumpversion | cut -d. -f1)
  else
    version=$(apt-cache depends clang 2>/dev/null | sed -n 's/^ *Depends: clang-\([0-9][0-9]*\)$/\1/p' | head -n 1)
  fi
  [[ -n "$version" ]] && echo "libclang-rt-$version-dev"
  return 0
}

runtime_wanted=no
if [[ "${1:-}" == --clang-runtime ]]; then
  runtime_wanted=yes
  shift
fi

need=()
# Each command with the package that brings it.
for pair in cmake:cmake g++:g++ clang++:clang make:make patch:patch setfacl:acl setfattr:attr; do
  command -v "${pair%%:*}" >/dev/null || need+=("${pair#*:}")
done
installed libgtest-dev || [[ -f /usr/include/gtest/gtest.h ]] || need+=(libgtest-dev)
# regkit's JSON, TOML and git libraries (libgit2 found through pkg-config);
# the editor test's client
for package in nlohmann-json3-dev libtomlplusplus-dev libgit2-dev pkg-config neovim; do
  installed "$package" || need+=("$package")
done
for package in "$@"; do
  installed "$package" || need+=("$package")
done
runtime=
if [[ $runtime_wanted == yes ]]; then
  runtime=$(clang_runtime)
  if [[ -n "$runtime" ]] && ! installed "$runtime"; then
    need+=("$runtime")
  fi
fi
# Nothing missing (a runtime still unknown means clang is missing too).
[[ ${#need[@]} -eq 0 ]] && exit 0

give_up() {
  echo "deps.sh: $1" >&2
  echo "deps.sh: install these yourself, then run the command again:" >&2
  echo "  sudo apt-get update && sudo apt-get install --no-install-recommends ${need[*]}" >&2
  exit 1
}
command -v apt-get >/dev/null || give_up "apt-get is not available on this machine."
if [[ $(id -u) -eq 0 ]]; then
  as_root=()
elif ! command -v sudo >/dev/null; then
  give_up "not root, and sudo is not installed."
elif sudo -n true 2>/dev/null; then
  as_root=(sudo)
elif [[ -t 0 ]]; then
  # sudo asks for the password here once; apt-get then runs without asking.
  sudo -v || give_up "sudo refused (no password given, or not allowed for this user)."
  as_root=(sudo)
else
  give_up "sudo needs a password, and there is no terminal to ask for it."
fi

log=$(mktemp "${TMPDIR:-/tmp}/regkit-deps.XXXXXX.log")
failed() {
  echo "deps.sh: $1 (the last lines of $log):" >&2
  tail -n 20 "$log" >&2
  give_up "$1"
}
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update >"$log" 2>&1 ||
  failed "apt-get update failed."
if [[ $runtime_wanted == yes && -z "$runtime" ]]; then
  runtime=$(clang_runtime)
  [[ -n "$runtime" ]] || failed "no clang package is known to apt-get."
  need+=("$runtime")
fi
echo "deps.sh: installing ${need[*]} (full log: $log)"
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
  "${need[@]}" >>"$log" 2>&1 || failed "apt-get install failed."
