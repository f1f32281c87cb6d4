#!/usr/bin/env bash
# The test command: installs what it needs, builds every tree, runs every test (native, static
# checks of both .scr files, and the Wine checks against each build this machine can run).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"

# A fresh prefix for every run, booted once and shared by all the Wine tests.
. "$root/scripts/wine-env.sh"
vellicord_runs_32bit ||
  echo "This machine runs no 32-bit programs: the Windows checks run against the 64-bit build," \
    "and the wine32 checks of the 32-bit build are reported as skipped."
vellicord_fresh_session "$root/build/wineprefix"

ctest --test-dir "$root/build/native" --output-on-failure -j "$(nproc)" "$@"
