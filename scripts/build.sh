#!/usr/bin/env bash
# Builds the trees from this checkout: build/win (mingw-w64, i686: the product), build/win64
# (mingw-w64, x86_64), build/fuzz (clang, sanitizers) and build/native, which runs the tests of
# all of them. Each tree builds holding the cores lock shared, so that no timed check on this
# machine runs beside it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. "$root/scripts/wine-env.sh"
. "$root/scripts/cores.sh"
for tree in win:mingw-i686 win64:mingw-x86_64; do
  cmake -S . -B "build/${tree%%:*}" -G Ninja -DCMAKE_TOOLCHAIN_FILE="cmake/${tree#*:}.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DVELLICORD_TESTS=ON >/dev/null
  vellicord_cores shared ninja -C "build/${tree%%:*}"
done
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELLICORD_FUZZ=ON -DVELLICORD_TESTS=ON >/dev/null
vellicord_cores shared ninja -C build/fuzz
runs32=OFF
vellicord_runs_32bit && runs32=ON
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELLICORD_WIN_DIR="$root/build/win" -DVELLICORD_WIN64_DIR="$root/build/win64" \
  -DVELLICORD_RUN_WIN32="$runs32" -DVELLICORD_FUZZ_DIR="$root/build/fuzz" >/dev/null
vellicord_cores shared ninja -C build/native
