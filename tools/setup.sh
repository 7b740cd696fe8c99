#!/usr/bin/env bash
# tools/setup.sh: installs what building and testing the launcher needs on Debian 12; does nothing when all is there.
#
# Wine's 32-bit loader (wine32, from the i386 architecture) is installed only where the host runs 32-bit
# programs (tools/host_kind.py); elsewhere it could start nothing. A package index that cannot be fetched,
# as from a mirror caught mid-sync, does not stop the set-up: it goes on with the lists it has, and fails
# only when a needed package cannot be installed, naming it.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

packages=(
  cmake g++ make pkg-config python3 libgtest-dev libgmock-dev clang libclang-rt-14-dev
  g++-mingw-w64-i686-posix g++-mingw-w64-i686-win32 binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-win32 binutils-mingw-w64-x86-64
  wine wine64 xvfb xdotool x11-apps x11-utils imagemagick locales fonts-nanum
  xorriso osslsigncode openssl libbenchmark-dev libstb-dev python3-pyfuse3 fuse3
)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
updated=0

missing_of() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}

# apt-get update, tried a few times; an index that still fails leaves its old list in place.
update_lists() {
  local try
  for try in 1 2 3; do
    $sudo apt-get update -q && return 0
    [ "$try" -eq 3 ] || { echo "apt-get update failed; trying again in $((try * 5)) s"; sleep $((try * 5)); }
  done
  echo "warning: some package indexes could not be fetched; going on with the lists there are" >&2
}

install() {
  [ $# -gt 0 ] || return 0
  echo "Installing: $*"
  [ "$updated" -eq 1 ] || { update_lists; updated=1; }
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "$@" && return 0
  # One package that cannot be had must not keep the others out: each on its own, then name the rest.
  local p
  for p in "$@"; do
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "$p" >/dev/null 2>&1 || true
  done
  local failed
  failed=$(missing_of "$@" | tr '\n' ' ')
  [ -z "$failed" ] || { echo "error: these packages could not be installed: $failed" >&2; exit 1; }
}

# shellcheck disable=SC2046
install $(missing_of "${packages[@]}")

if python3 "$here/host_kind.py" >/dev/null && [ -n "$(missing_of wine32:i386)" ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
    updated=0
  fi
  install wine32:i386
fi
