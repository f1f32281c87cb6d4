#!/usr/bin/env bash
# Replays one target's committed corpus, then fuzzes it for a while. Usage: run_one.sh BIN CORPUS SECONDS
set -euo pipefail
bin=$1 corpus=$2 seconds=$3
name=$(basename "$bin")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$corpus"
# Every input that once failed, and the seeds, must pass as they are.
if [ -n "$(ls -A "$corpus")" ]; then
  "$bin" -runs=0 "$corpus"/* >"$work/replay.log" 2>&1 || { cat "$work/replay.log"; exit 1; }
fi
cp -r "$corpus"/. "$work/" 2>/dev/null || true
mkdir -p "$work/new"
"$bin" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="$work/" -print_final_stats=1 "$work/new" "$corpus" >"$work/fuzz.log" 2>&1 || {
  tail -40 "$work/fuzz.log"
  # The failing input joins the corpus, so that once mended it is replayed on every run.
  cp "$work"/crash-* "$work"/timeout-* "$work"/leak-* "$corpus/" 2>/dev/null || true
  echo "$name: failing input copied into $corpus"
  exit 1
}
runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$work/fuzz.log" | grep -o '[0-9]*$' || echo '?')
echo "$name: ${seconds}s, $runs inputs, no failure"
