#!/usr/bin/env bash
# tools/setup.sh: installs what building and testing the launcher needs on Debian 12; does nothing when all is there.
set -euo pipefail

packages=(
  cmake g++ make pkg-config python3 libgtest-dev libgmock-dev clang libclang-rt-14-dev
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  wine wine32:i386 wine64 xvfb xdotool x11-apps x11-utils imagemagick locales fonts-nanum
  xorriso osslsigncode openssl libbenchmark-dev libstb-dev python3-pyfuse3 fuse3
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
