#!/usr/bin/env bash
# tools/release_root.sh: runs a command from a clean clone of this repository inside a fresh root of a
# Debian release, as on a new machine of that release.
#
# Usage: tools/release_root.sh RELEASE [COMMAND...]   (default command: tools/run-tests.sh)
#        tools/release_root.sh --other                 prints the supported release the host is not
#
# RELEASE is a codename (bookworm, trixie). Its base root is made once with mmdebstrap, from the mirrors of
# the host's own apt sources, and kept in RELEASE_ROOT_CACHE (default /var/cache/launcher-roots); a root
# that could not be made whole is removed, never reused. Each run copies the base into a run folder, clones
# the repository's committed tree into it, mounts what Wine, Xvfb and FUSE need, and runs COMMAND there as
# root. On every exit, an interrupted one included, the processes left in the root are ended, every mount
# is undone and the run folder is removed; failure folders of the end-to-end tests are copied out first.
set -euo pipefail
source_root=$(cd "$(dirname "$0")/.." && pwd)
cache=${RELEASE_ROOT_CACHE:-/var/cache/launcher-roots}
releases=(bookworm trixie)

die() { echo "error: $*" >&2; exit 1; }

other_release() {
  local host
  host=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  case "$host" in
  bookworm) echo trixie ;;
  trixie) echo bookworm ;;
  *) die "this host is Debian '${host:-unknown}'; the other release is known only from ${releases[*]}" ;;
  esac
}

# mirror SUFFIX: the host's Debian mirror whose address ends in SUFFIX (debian or debian-security).
mirror() {
  local uri
  uri=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources 2>/dev/null |
    grep -v '^[[:space:]]*#' | grep -oE "(https?|file)://[^ ]*/$1/?( |$)" | head -n 1 | tr -d ' ' || true)
  echo "${uri:-http://deb.debian.org/$1}"
}

# make_base RELEASE: the cached base root, made when it is not there yet.
partial=""
make_base() {
  local base=$cache/$1 log reason
  [ -d "$base" ] && return 0
  command -v mmdebstrap >/dev/null || die "mmdebstrap is not installed (tools/setup.sh installs it)"
  mkdir -p "$cache"
  partial=$cache/$1.partial
  rm -rf "$partial"
  log=$(mktemp)
  echo "Making a Debian $1 root in $base"
  if ! mmdebstrap --variant=apt --include=ca-certificates,git,python3 "$1" "$partial" \
      "deb $(mirror debian) $1 main" "deb $(mirror debian-security) $1-security main" >"$log" 2>&1; then
    # apt's first error, or where it gave none, its first warning.
    reason=$({ grep '^E: ' "$log"; grep '^W: ' "$log"; } | head -n 1 || true)
    rm -rf "$partial" "$log"
    die "cannot make a Debian $1 root: ${reason:-mmdebstrap failed}"
  fi
  rm -f "$log"
  mv "$partial" "$base"
  partial=""
}

run=""
# Ends the processes whose root is the run's root, undoes its mounts, keeps its failure folders and removes
# it. Safe to run twice and at any point of the set-up.
clean_up() {
  local status=$? pid failures
  trap - EXIT INT TERM HUP
  [ -z "$partial" ] || rm -rf "$partial"
  [ -n "$run" ] && [ -d "$run" ] || exit "$status"
  for pid in $(ls /proc | grep -E '^[0-9]+$'); do
    [ "$(readlink "/proc/$pid/root" 2>/dev/null)" = "$run" ] && kill -9 "$pid" 2>/dev/null || true
  done
  sleep 1
  for failures in "$run"/root/src/build/*/e2e-failures; do
    [ -d "$failures" ] || continue
    mkdir -p "$source_root/build/$release/$(basename "$(dirname "$failures")")"
    cp -a "$failures" "$source_root/build/$release/$(basename "$(dirname "$failures")")/" || true
    echo "failure folders of the $release run copied to $source_root/build/$release/"
  done
  # Deepest first; a busy mount is detached lazily so that nothing of the host stays reachable.
  findmnt -rno TARGET | grep -F "$run/" | sort -r | while read -r target; do
    umount "$target" 2>/dev/null || umount -l "$target"
  done
  if findmnt -rno TARGET | grep -qF "$run/"; then
    echo "error: mounts under $run could not be undone; the folder is kept" >&2
  else
    rm -rf "$run"
  fi
  exit "$status"
}

mount_system() {
  mount -t proc proc "$run/proc"
  local dir
  for dir in sys dev; do
    mount --rbind "/$dir" "$run/$dir"
    mount --make-rslave "$run/$dir"
  done
  mount -t tmpfs tmpfs "$run/dev/shm"
  cp /etc/resolv.conf "$run/etc/resolv.conf"
}

[ $# -ge 1 ] || die "usage: tools/release_root.sh RELEASE [COMMAND...] | --other"
[ "$1" != --other ] || { other_release; exit 0; }
release=$1
shift
[ $# -gt 0 ] || set -- tools/run-tests.sh
[ "$(id -u)" -eq 0 ] || die "a release root needs root (mmdebstrap, chroot and mounts)"
printf '%s\n' "${releases[@]}" | grep -qx "$release" || echo "warning: $release is not one of ${releases[*]}" >&2

trap clean_up EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP
make_base "$release"
run=$(realpath "$(mktemp -d "$cache/$release.run.XXXXXX")")
cp -a "$cache/$release/." "$run/"
git clone -q --no-hardlinks "$source_root" "$run/root/src"
mount_system
echo "Running in a fresh Debian $release root: $*"
# In the background, so that a signal to this script is handled at once and not after the command ends.
chroot "$run" env -i HOME=/root LANG=C.UTF-8 TERM="${TERM:-dumb}" CI="${CI:-}" \
  HOST_RUNS_32BIT="${HOST_RUNS_32BIT:-}" PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  bash -c 'cd /root/src && exec "$@"' bash "$@" &
wait $!
