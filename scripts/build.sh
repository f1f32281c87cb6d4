#!/usr/bin/env bash
# Builds both trees from this checkout: build/win (mingw-w64, i686) and build/native.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
cmake -S . -B build/win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
  -DCMAKE_BUILD_TYPE=Release -DVELLICORD_TESTS=ON >/dev/null
ninja -C build/win
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELLICORD_WIN_DIR="$root/build/win" >/dev/null
ninja -C build/native
