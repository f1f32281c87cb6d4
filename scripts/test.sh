#!/usr/bin/env bash
# The test command: installs what it needs, builds both trees, runs every test (native and Wine).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"

# A fresh prefix for every run, booted once and shared by all the Wine tests.
. "$root/scripts/wine-env.sh"
vellicord_fresh_session "$root/build/wineprefix"

ctest --test-dir "$root/build/native" --output-on-failure -j "$(nproc)" "$@"
