#!/usr/bin/env bash
# The reliability command: builds, runs every reliability check (hostile registry data, extreme
# settings and host faults against the real Vellicord2.scr under Wine, the extremes natively
# under the sanitizers, the fuzz targets, the long run) and writes docs/reliability.md.
# Usage: reliability.sh [--long]   (--long: a million ticks instead of 20 000)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
ticks=20000
[ "${1:-}" = --long ] && ticks=1000000
"$root/scripts/setup.sh"
"$root/scripts/build.sh"

. "$root/scripts/wine-env.sh"
vellicord_pick_build
vellicord_fresh_session "$root/build/wineprefix-reliability"

logs=$(mktemp -d)
win=$VELLICORD_WIN
failed=0
declare -A result seconds
run() {  # name command...
  local name=$1; shift
  local t0=$SECONDS
  if "$@" >"$logs/$name.txt" 2>&1; then result[$name]=held; else result[$name]=FAILED; failed=1; fi
  seconds[$name]=$((SECONDS - t0))
  echo "${result[$name]}: $name (${seconds[$name]} s)"
}
wine_case() {
  run "$1" "$root/tests/wine/fault_case.sh" "$win/tests/win/vellicord2-fault-driver.exe" \
    "$win/tests/win/vellicord2-fault-longrun.exe" \
    "$root/build/native/tests/reliability/vellicord2-longrun-reference" \
    "$win/saver/counted/Vellicord2.scr" "$@"
}
# Every fault case; the long run with the ticks asked for.
while read -r c; do
  if [ "$c" = longrun ]; then wine_case longrun "$ticks"; else wine_case "$c"; fi
done <"$root/tests/wine/fault_cases.txt"
run native "$root/build/native/tests/reliability/reliability_tests"
run sanitized "$root/build/fuzz/tests/reliability/reliability_tests"
while read -r t; do
  run "fuzz_$t" "$root/tests/fuzz/run_one.sh" "$root/build/fuzz/tests/fuzz/${t}_fuzz" \
    "$root/tests/fuzz/corpus/$t" 30
done <"$root/tests/fuzz/targets.txt"

# Figures out of the logs.
pick() { grep -ohE "$2" "$logs/$1.txt" | head -1 || true; }
count() { grep -cE "$2" "$logs/$1.txt" || true; }
gtests() { pick "$1" '\[  PASSED  \] [0-9]+ tests' | grep -oE '[0-9]+'; }
fuzzed() { pick "fuzz_$1" '[0-9?]+ inputs'; }

doc=$root/docs/reliability.md
{
  echo "# Reliability"
  echo
  echo "Written by \`./scripts/reliability.sh${1:+ $1}\` on $(date -u +%Y-%m-%d). Every row ran against the"
  echo "real \`Vellicord2.scr\` ($(basename "$win") build) under Wine $(wine --version 2>/dev/null | sed 's/wine-//') unless it says native; each Wine"
  echo "row also checked that every saver process ended by itself with exit code 0 and that the"
  echo "registry was byte for byte as before (except where OK was pressed, or the store key had to be made)."
  echo
  echo "| test | what was tried | inputs or cycles | what held | result |"
  echo "|---|---|---|---|---|"
  echo "| hostile registry (\`fault_matrix\`) | each of the five values as every type (REG_NONE, REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_DWORD_BIG_ENDIAN, REG_MULTI_SZ, REG_QWORD), each type at size 0, 1 MiB of text, text with no terminating zero, an embedded zero, the name in other letter case; the section missing, the store key missing, the section as a value, the store key as a value of the root; each in run mode and in the dialog, then OK over a REG_DWORD of each value | $(pick matrix '[0-9]+ cases, [0-9]+ starts, [0-9]+ checks') | the default or exactly \"'<name>' のデータ型が不正です.\" under \"Vellicord2\"; run mode at the interval and background read, or still black with no tick after the box; the dialog's controls as read (form values after a failed read); Cancel writes nothing, OK replaces the value with REG_SZ | ${result[matrix]} |"
  echo "| extreme settings on the window (\`fault_range\`) | Speed, Period, NumberOfLines, WidthOfLines each at INT_MIN, -1, 0, the edges, one past, INT_MAX, as REG_SZ; 1.5 s each | $(count range 'closes on a key') starts | no crash, no box; Speed 4, 5, INT_MAX and INT_MIN (interval held at 2^31-1 ms) no tick and background only; others draw at 28 - 7 x Speed ms; answers messages; closes on a key | ${result[range]} |"
  echo "| extreme settings natively (\`reliability_tests\`) | the same values through Figure and RasterSurface at 1x1, 152x112 and 800x600 for up to 300 ticks; all extremes at once; the clock across its wrap | $(gtests native) tests | NumberOfLines, WidthOfLines and Period draw frame for frame as their limit (1/31, 1/10, at most 21); the engine handed any Period keeps every curve within 1982 points; no overflow at the clock's wrap | ${result[native]} |"
  echo "| the same under ASan + UBSan | build/fuzz's build of \`reliability_tests\` | $(gtests sanitized) tests | no sanitizer report | ${result[sanitized]} |"
  echo "| preview host changes (\`fault_preview_host\`) | host hidden, shown again, resized to 400x300 and to 1x1, destroyed | 1 saver | runs and answers throughout; frames resume when shown; ends with the host: $(pick preview_host 'ended in [0-9]+ ms') | ${result[preview_host]} |"
  echo "| host's process killed (\`fault_preview_owner_dies\`) | the host window belongs to a helper process that is killed while the preview draws | 1 saver | saver $(pick preview_owner_dies 'ended in [0-9]+ ms'), exit code 0 (before the fix it ran on for ever) | ${result[preview_owner_dies]} |"
  echo "| preview cycles (\`fault_preview_cycles\`) | start a preview and destroy its host, at once or after the first ticks | $(pick preview_cycles '[0-9]+/[0-9]+') cycles | each saver ended; none left in the process list (Toolhelp32); the driver's window answered: $(pick preview_cycles '[0-9]+ asks, slowest [0-9]+ ms, [0-9]+ unanswered') | ${result[preview_cycles]} |"
  echo "| two savers (\`fault_two_runs\`) | two \`/s\`, one after the other | 2 savers | both show; the first ends cleanly when the second takes the activation; the second runs, answers and closes on its key | ${result[two_runs]} |"
  echo "| queued close (\`fault_queued_close\`) | eight key-downs, a click, two moves, WM_CLOSE and SC_CLOSE posted at once | 3 rounds | the process ends once, exit code 0 | ${result[queued_close]} |"
  echo "| box while ticks are due (\`fault_errorbox_ticks\`) | Speed as REG_DWORD: the box held up 1.5 s, then dismissed | 1 saver | no tick while the box is up or after it; black window answers; closes on a key | ${result[errorbox_ticks]} |"
  echo "| long run (\`fault_longrun\`) | the real TScreenSaverWindow's frame path (gated surface, RasterSurface, SetDIBitsToDevice) back to back in a 320x240 preview host, repainted every 5000 ticks, the clock started below its wrap | $(pick longrun '[0-9]+ ticks in [0-9.]+ s'), clock wraps: $(pick longrun 'wraps [0-9]+' | grep -oE '[0-9]+') | DCs $(pick longrun '[0-9]+ DCs got, [0-9]+ released'); GDI objects $(pick longrun 'live [0-9]+ at warm-up, [0-9]+ at most, [0-9]+ at end'); handles $(pick longrun 'handles flat -- [0-9]+ at warm-up, [0-9]+ at most, [0-9]+ at end' | sed 's/.*-- //'); private memory $(pick longrun '[0-9]+ KB at warm-up, [0-9]+ KB at most, [0-9]+ KB at end'); last frame's checksum equals the native engine's: $(pick longrun 'checksum [0-9a-f]+') | ${result[longrun]} |"
  while read -r t; do
    echo "| fuzz \`${t}_fuzz\` | committed corpus replayed, then libFuzzer under ASan + UBSan for 30 s | $(fuzzed $t) | no crash, leak, timeout or sanitizer report | ${result[fuzz_$t]} |"
  done <"$root/tests/fuzz/targets.txt"
  echo
  echo "## Faults found and mended"
  echo
  echo "- A preview whose host window belonged to a process that died ran on for ever: Wine frees"
  echo "  the host and the saver's child with it but sends the child no WM_DESTROY, so nothing"
  echo "  ended the message loop. \`win32/api/parent_watch_win32.cpp\` checks four times a second, on the"
  echo "  application's loop, that the host and the saver's own window still exist, and closes the"
  echo "  saver through its ordinary close when either is gone (also at speeds that never tick)."
  echo "  Caught by \`fault_preview_owner_dies\`."
} >"$doc"
echo "wrote $doc"
rm -rf "$logs"
exit $failed
