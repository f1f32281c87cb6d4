#!/usr/bin/env bash
# Builds the trees from this checkout: build/win (mingw-w64, i686), build/fuzz (clang, sanitizers)
# and build/native, which runs the tests of all three.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
cmake -S . -B build/win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
  -DCMAKE_BUILD_TYPE=Release -DVELLICORD_TESTS=ON >/dev/null
ninja -C build/win
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELLICORD_FUZZ=ON -DVELLICORD_TESTS=ON >/dev/null
ninja -C build/fuzz
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELLICORD_WIN_DIR="$root/build/win" -DVELLICORD_FUZZ_DIR="$root/build/fuzz" >/dev/null
ninja -C build/native
