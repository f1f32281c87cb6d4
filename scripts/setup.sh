#!/usr/bin/env bash
# Installs what building and testing need on a fresh Debian 12 machine; quiet when all is there.
set -euo pipefail
need=(cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev libbenchmark-dev libpng-dev pkg-config
      g++-mingw-w64-i686 binutils-mingw-w64-i686 wine wine32:i386 xvfb x11-utils
      fonts-wine fonts-ipafont-gothic imagemagick
      libx11-dev libxext-dev dpkg-dev file xscreensaver xscreensaver-data-extra)
missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
echo "installing: ${missing[*]}"
$SUDO dpkg --add-architecture i386
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q "${missing[@]}"
