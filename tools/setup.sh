#!/usr/bin/env bash
# tools/setup.sh: installs what building and testing the launcher needs on Debian 12 or 13; does nothing when all is
# there. Package names are the ones both releases know.
#
# Wine's 32-bit loader (wine32, from the i386 architecture) is installed only where the kernel runs 32-bit
# programs (tools/host_kind.py --kernel); elsewhere it could start nothing by itself. Where the kernel runs
# none, or hands them to an i386 binfmt_misc handler, or HOST_RUNS_32BIT=emulated is set, the 32-bit
# launcher runs through emulation instead (tools/emulated_wine.py): wine32, qemu-user-static and
# gcc-multilib are installed. A package index that cannot be fetched, as from a mirror caught mid-sync, does
# not stop the set-up: it goes on with the lists it has, and fails only when a needed package cannot be
# installed, naming it. What runs the 32-bit launcher alone may be missing: the mirror can leave wine32's
# i386 libraries older than their amd64 twins for days. Then the set-up says so in one line per package and
# both commands take the x86-64 path, unless HOST_RUNS_32BIT (1 or emulated) asks for the 32-bit launcher.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

packages=(
  cmake g++ make pkg-config python3 libgtest-dev libgmock-dev clang libclang-rt-dev
  g++-mingw-w64-i686-posix g++-mingw-w64-i686-win32 binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-win32 binutils-mingw-w64-x86-64
  wine wine64 xvfb xdotool x11-apps x11-utils imagemagick locales fonts-nanum
  xorriso osslsigncode openssl libbenchmark-dev libstb-dev python3-pyfuse3 fuse3 fonts-wine mmdebstrap gpg
  debian-archive-keyring
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

apt_install() {
  [ "$updated" -eq 1 ] || { update_lists; updated=1; }
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "$@"
}

install() {
  [ $# -gt 0 ] || return 0
  echo "Installing: $*"
  apt_install "$@" && return 0
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

# apt's own reason, in one line, from the output of a failed apt-get install: its last error, and the first
# dependency it could not meet.
apt_reason() {
  local error depends
  error=$(grep '^E: ' "$1" | tail -n 1 | sed 's/^E: //')
  depends=$(grep -m 1 ' : Depends: ' "$1" | tr -s ' ' | sed 's/^ //')
  echo "${error:-apt-get install failed}${depends:+ ($depends)}"
}

# install_32bit PACKAGE...: installs what running the 32-bit launcher needs. One that cannot be installed is
# named in one line with apt's reason, and the commands take the x86-64 path; it is an error where
# HOST_RUNS_32BIT asks for the 32-bit launcher.
install_32bit() {
  local missing p log reason asks="the 32-bit launcher under Wine"
  missing=$(missing_of "$@")
  [ -n "$missing" ] || return 0
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
    updated=0
  fi
  [ "${HOST_RUNS_32BIT:-}" != emulated ] || asks+=" through emulation"
  for p in $missing; do
    echo "Installing: $p"
    log=$(mktemp)
    if apt_install "$p" >"$log" 2>&1; then
      rm -f "$log"
      continue
    fi
    reason=$(apt_reason "$log")
    rm -f "$log"
    case "${HOST_RUNS_32BIT:-}" in
    1 | emulated)
      echo "error: HOST_RUNS_32BIT=$HOST_RUNS_32BIT asks for $asks, but ${p%:i386} cannot be installed: $reason" >&2
      exit 1 ;;
    esac
    echo "warning: ${p%:i386} cannot be installed, so the 32-bit launcher is built but not run and both commands take the x86-64 path: $reason" >&2
  done
}

emulation=(qemu-user-static gcc-multilib wine32:i386)
if [ "${HOST_RUNS_32BIT:-}" = emulated ]; then
  install_32bit "${emulation[@]}"
elif [ "${HOST_RUNS_32BIT:-}" != 0 ]; then
  if kernel=$(python3 "$here/host_kind.py" --kernel); then
    install_32bit wine32:i386
  else
    [ "${HOST_RUNS_32BIT:-}" != 1 ] || { echo "$kernel" >&2; exit 1; }
    install_32bit "${emulation[@]}"
  fi
fi
