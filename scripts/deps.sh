#!/usr/bin/env bash
# Installs what building and testing regkit needs and this machine lacks:
# cmake, g++, clang, make and GoogleTest (Debian or Ubuntu packages), with
# apt-get as root or through sudo otherwise. Does nothing when all is there.
#   scripts/deps.sh [debian-package...]
# Extra packages (for example ninja-build) are installed too when missing.
set -euo pipefail

# dpkg knows the packages; without it only the commands can be checked.
installed() {
  command -v dpkg-query >/dev/null &&
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q ' installed$'
}

need=()
command -v cmake >/dev/null || need+=(cmake)
command -v g++ >/dev/null || need+=(g++)
command -v clang++ >/dev/null || need+=(clang)
command -v make >/dev/null || need+=(make)
installed libgtest-dev || [[ -f /usr/include/gtest/gtest.h ]] || need+=(libgtest-dev)
command -v setfacl >/dev/null || need+=(acl)  # the tests of ACLs and attributes
command -v setfattr >/dev/null || need+=(attr)
for package in "$@"; do
  installed "$package" || need+=("$package")
done
[[ ${#need[@]} -eq 0 ]] && exit 0

give_up() {
  echo "deps.sh: $1" >&2
  echo "deps.sh: install these yourself, then run the command again: ${need[*]}" >&2
  exit 1
}
command -v apt-get >/dev/null || give_up "apt-get is not available on this machine."
if [[ $(id -u) -eq 0 ]]; then
  as_root=()
elif command -v sudo >/dev/null; then
  as_root=(sudo)
else
  give_up "not root, and sudo is not installed."
fi

echo "deps.sh: installing ${need[*]}"
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq ||
  give_up "apt-get update failed."
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
  "${need[@]}" || give_up "apt-get install failed."
