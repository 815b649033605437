#!/usr/bin/env bash
# The README's promise on a bare machine: on a fresh Debian bookworm root
# (debootstrap --variant=minbase) its two commands, scripts/example.sh and
# then scripts/test.sh, do all the set-up and pass
#   - as root, with the repository in /root/regkit;
#   - as the user dev with password-less sudo, with the repository in
#     /home/dev/regkit, in a second fresh root (so that dev's run installs
#     the packages through sudo; tests that need root are skipped).
# With --ci, root's root then runs `bash .ci/run` from a copy of the
# repository in a fresh mktemp -d directory (about an hour more).
# Prints the time of each step; each step's output is in its log.
#   scripts/bare_machine.sh [--ci] [work-dir]
# Run by hand as root, not by CI: it needs the package archive and takes
# many minutes. Needs debootstrap. Environment: MIRROR (default: the Debian
# mirror of this machine's apt sources); KEEP_WORK=1 keeps the roots.
set -euo pipefail

with_ci=no
if [[ "${1:-}" == --ci ]]; then
  with_ci=yes
  shift
fi
source_dir=$(cd "$(dirname "$0")/.." && pwd)
[[ $(id -u) -eq 0 ]] || { echo "bare_machine.sh: run as root (debootstrap and chroot need it)" >&2; exit 1; }
command -v debootstrap >/dev/null || { echo "bare_machine.sh: debootstrap is not installed (apt-get install debootstrap)" >&2; exit 1; }

# The mirror this machine's apt uses for Debian itself.
default_mirror() {
  cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources 2>/dev/null |
    sed -n -e 's/^URIs: *\(.*\/debian\/*\)$/\1/p' -e 's/^deb \(\[[^]]*\] \)\?\([^ ]*\/debian\/*\) .*/\2/p' | head -n 1 ||
    true
}
mirror=${MIRROR:-$(default_mirror)}
mirror=${mirror:-http://deb.debian.org/debian}

work=${1:-$(mktemp -d /var/tmp/regkit-bare.XXXXXX)}
mkdir -p "$work/logs"
work=$(cd "$work" && pwd)
mounts=()

cleanup() {
  local status=$? i
  for ((i = ${#mounts[@]} - 1; i >= 0; --i)); do
    umount "${mounts[i]}" 2>/dev/null || umount -l "${mounts[i]}" || true
  done
  mounts=()
  if grep -qF " $work/" /proc/mounts; then
    echo "bare_machine.sh: something is still mounted under $work; it is left as it is" >&2
  elif [[ $status -ne 0 || "${KEEP_WORK:-0}" == 1 ]]; then
    echo "work directory kept: $work"
  else
    rm -rf "$work"
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# What each user's run needs of the kernel's file systems.
mount_root() {
  local root=$1
  mount -t proc proc "$root/proc" && mounts+=("$root/proc")
  mount -t sysfs -o ro sysfs "$root/sys" && mounts+=("$root/sys")
  mount --bind /dev "$root/dev" && mounts+=("$root/dev")
  mount --bind /dev/pts "$root/dev/pts" && mounts+=("$root/dev/pts")
  cp /etc/resolv.conf "$root/etc/resolv.conf"
}

# The repository as a checkout has it (tracked and new files, nothing that
# git ignores, no build directories), copied to dest.
copy_repository() {
  local dest=$1
  mkdir -p "$dest"
  (cd "$source_dir" && git ls-files -z --cached --others --exclude-standard |
    tar --null -T - -cf -) | tar -xf - -C "$dest"
}

times=()
# step <name> <command...>: runs the command with its output in a log,
# prints the time it took, and stops everything when it fails.
step() {
  local name=$1 log
  shift
  log=$work/logs/$(echo "$name" | tr -c 'a-zA-Z0-9\n' '-').log
  local started=$SECONDS
  printf '%-52s ' "$name"
  if "$@" >"$log" 2>&1 </dev/null; then
    local took=$((SECONDS - started))
    printf '%4d s\n' "$took"
    times+=("$(printf '%-52s %4d s' "$name" "$took")")
  else
    printf 'FAILED after %d s; the end of %s:\n' "$((SECONDS - started))" "$log"
    tail -n 40 "$log"
    exit 1
  fi
}

# in_root <root> <user> <shell command>: runs the command in the root as
# the user, with a login's plain environment.
in_root() {
  local root=$1 user=$2 home=/root
  [[ $user == root ]] || home=/home/$user
  chroot "$root" setpriv --reuid="$user" --regid="$user" --init-groups \
    env -i HOME="$home" USER="$user" LOGNAME="$user" SHELL=/bin/bash \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    bash -c "cd && $3"
}

# The last lines of test.sh: how many tests passed, which were skipped.
test_summary() {
  grep -E 'tests passed|skipped|^  [A-Za-z]+\.[A-Za-z]+: ' "$1" || true
}

# A fresh copy of the base root at dest.
fresh_root() {
  cp -a "$work/base" "$1"
}

# The user dev with password-less sudo (sudo installed as on any machine
# where a user has it), the repository in dev's home, owned by dev.
add_dev() {
  local root=$1
  chroot "$root" env DEBIAN_FRONTEND=noninteractive apt-get update
  chroot "$root" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends sudo
  chroot "$root" useradd --create-home --shell /bin/bash dev
  echo 'dev ALL=(ALL) NOPASSWD: ALL' >"$root/etc/sudoers.d/dev"
  chmod 0440 "$root/etc/sudoers.d/dev"
  copy_repository "$root/home/dev/regkit"
  chroot "$root" chown -R dev:dev /home/dev/regkit
}

echo "work directory: $work"
echo "mirror: $mirror"
step "debootstrap --variant=minbase bookworm" debootstrap --variant=minbase bookworm "$work/base" "$mirror"

# As root, the repository in /root/regkit.
root=$work/root
step "root: a fresh root, the repository in /root/regkit" fresh_root "$root"
copy_repository "$root/root/regkit"
mount_root "$root"
step "root: scripts/example.sh" in_root "$root" root "cd regkit && scripts/example.sh"
step "root: scripts/test.sh" in_root "$root" root "cd regkit && scripts/test.sh"
test_summary "$work/logs/root--scripts-test-sh.log"
if [[ $with_ci == yes ]]; then
  # shellcheck disable=SC2016 # expanded in the root, not here
  step "root: bash .ci/run in a copy in mktemp -d" in_root "$root" root \
    'dir=$(mktemp -d) && cp -a regkit "$dir/" && rm -rf "$dir"/regkit/build* && cd "$dir/regkit" && bash .ci/run'
fi

# As dev, with password-less sudo, in a root of its own.
dev=$work/dev
step "dev: a fresh root" fresh_root "$dev"
mount_root "$dev"
step "dev: sudo, the user dev, the repository in ~dev" add_dev "$dev"
step "dev: scripts/example.sh" in_root "$dev" dev "cd regkit && scripts/example.sh"
step "dev: scripts/test.sh" in_root "$dev" dev "cd regkit && scripts/test.sh"
test_summary "$work/logs/dev--scripts-test-sh.log"

echo
echo "times:"
printf '  %s\n' "${times[@]}"
