#!/usr/bin/env bash
# Links the 32-bit product with link-time optimisation in a tree of its own, where GCC sees every
# type of every translation unit together and -Werror=odr fails the link when one name has two
# definitions (two structs of one name, say). Usage: odr_build.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
src=$1 tree=$2
# One partition: the partitioned link of mingw-w64's GCC 12 stops with an internal compiler
# error (in binds_to_current_def_p) on this code.
flags="-flto=auto -flto-partition=none -Werror=odr"
cmake -S "$src" -B "$tree" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DVELLICORD_TESTS=OFF -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="$flags" >/dev/null
ninja -C "$tree" Vellicord2
