#!/usr/bin/env bash
# Makes the release of the last commit in dist/: the Windows installer, a zip of both .scr, the
# Debian package, the sources and SHA256SUMS. Built from an export of the commit, so the same
# commit gives the same bytes in any folder at any time.
# Usage: release.sh [BUILD-DIR]   (default: a temporary folder, removed afterwards)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
if [ -n "$(git status --porcelain)" ]; then
  echo "release.sh: the tree has uncommitted changes; a release is made from a commit only:" >&2
  git status --short >&2
  exit 1
fi
"$root/scripts/setup.sh"
for tool in makensis zip; do
  command -v $tool >/dev/null || { echo "release.sh: $tool is missing (scripts/setup.sh installs it)" >&2; exit 1; }
done

commit=$(git rev-parse HEAD)
# Every time inside the artefacts is the commit's; nothing depends on the builder's zone, locale
# or umask.
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct "$commit")
export SOURCE_DATE_EPOCH TZ=UTC LC_ALL=C
umask 022
# A compiler cache would hand one folder's objects to another: each release compiles all.
unset CMAKE_C_COMPILER_LAUNCHER CMAKE_CXX_COMPILER_LAUNCHER

if [ $# -gt 0 ]; then
  work=$(mkdir -p "$1" && cd "$1" && pwd)
else
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
fi
src=$work/src
rm -rf "$src" && mkdir -p "$src"
git archive --format=tar "$commit" | tar -x -C "$src"

quiet() {  # runs a command, showing its output only when it fails
  local out
  out=$("$@" 2>&1) || { echo "$out" >&2; return 1; }
}
# The product only: both Windows builds, then the X11 program, its package and the installer.
# VELLICORD_SIGN_COMMAND, when set, signs each .scr, setup.exe and its uninstaller (README).
configure() {  # tree, then cmake options
  local tree=$1; shift
  quiet cmake -S "$src" -B "$work/$tree" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELLICORD_TESTS=OFF \
    -DVELLICORD_TOOLS=OFF -DVELLICORD_MAP_PATHS=ON "-DVELLICORD_SIGN_COMMAND=${VELLICORD_SIGN_COMMAND:-}" "$@"
  quiet ninja -C "$work/$tree"
}
configure win -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-i686.cmake"
configure win64 -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-x86_64.cmake"
configure native -DVELLICORD_WIN_DIR="$work/win" -DVELLICORD_WIN64_DIR="$work/win64"
(cd "$work/native" && quiet cpack -G DEB)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$work/native/CMakeCache.txt")

dist=$root/dist
rm -rf "$dist" && mkdir "$dist"
cp "$work/native/installer/Vellicord2-$version-setup.exe" "$work/native/package/vellicord2_${version}_amd64.deb" "$dist/"

# The zip: members sorted, no directory entries, no owners (-X), modes 644 and the commit's time.
stage=$work/zip/Vellicord2-$version-windows
rm -rf "$work/zip" && mkdir -p "$stage/32-bit" "$stage/64-bit"
cp "$work/win/saver/Vellicord2.scr" "$stage/32-bit/"
cp "$work/win64/saver/Vellicord2.scr" "$stage/64-bit/"
cp "$src/installer/zip-readme.txt" "$stage/README.txt"
cp "$src/LICENSE" "$stage/LICENSE.txt"
chmod 644 "$stage"/*.txt "$stage"/*/*.scr
find "$work/zip" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
(cd "$work/zip" && find . -type f | sed 's|^\./||' | sort | zip -X -D -9 -q "$dist/Vellicord2-$version-windows.zip" -@)

# The sources as git archive gives them, compressed without gzip's name and time.
git archive --format=tar --prefix="vellicord2-$version/" "$commit" | gzip -9n >"$dist/vellicord2-$version.tar.gz"

(cd "$dist" && sha256sum -- * >SHA256SUMS)
echo "dist/ for $commit (version $version):"
(cd "$dist" && stat --printf '  %10s  %n\n' -- *)
