#!/usr/bin/env bash
# Installs what building and testing need on a fresh Debian 12 machine; quiet when all is there.
# wine32 only where this machine runs 32-bit programs: installed where it can't start, the wine
# wrapper still prefers it and every Windows program fails with "Exec format error".
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/wine-env.sh"
need=(cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev libbenchmark-dev libpng-dev pkg-config
      g++-mingw-w64-i686 binutils-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
      wine wine64 xvfb x11-utils fonts-wine fonts-ipafont-gothic imagemagick
      libx11-dev libxext-dev libxrandr-dev libxres-dev dpkg-dev file xscreensaver xscreensaver-data-extra x11-apps
      lintian desktop-file-utils mate-screensaver dbus-daemon libglib2.0-bin xsecurelock nsis zip git
      osslsigncode xserver-xephyr libwayland-dev wayland-protocols libwayland-bin sway swayidle grim
      wtype)
SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
apt=(env DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=900 -y -q)

runs32=0
vellicord_kernel_runs_32bit && runs32=1
if [ $runs32 = 1 ]; then
  need+=(wine32:i386)
elif dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'; then
  echo "removing wine32:i386: this machine runs no 32-bit programs"
  "${apt[@]}" remove wine32:i386
fi

missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "installing: ${missing[*]}"
[ $runs32 = 1 ] && $SUDO dpkg --add-architecture i386
"${apt[@]}" update
"${apt[@]}" install "${missing[@]}"
