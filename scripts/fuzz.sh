#!/usr/bin/env bash
# The fuzz command (for long runs): builds the libFuzzer targets under ASan and UBSan, replays each committed
# corpus and fuzzes each target for the given seconds (default 60). Usage: fuzz.sh [seconds] [target...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}; shift || true
"$root/scripts/setup.sh"
CC=clang CXX=clang++ cmake -S "$root" -B "$root/build/fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELLICORD_FUZZ=ON -DVELLICORD_TESTS=OFF >/dev/null
targets=("$@")
[ ${#targets[@]} -eq 0 ] && mapfile -t targets < <(sed 's/$/_fuzz/' "$root/tests/fuzz/targets.txt")
ninja -C "$root/build/fuzz" "${targets[@]}"
for t in "${targets[@]}"; do
  "$root/tests/fuzz/run_one.sh" "$root/build/fuzz/tests/fuzz/$t" "$root/tests/fuzz/corpus/${t%_fuzz}" "$seconds"
done
