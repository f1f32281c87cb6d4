#!/usr/bin/env bash
# One reliability case of Vellicord2.scr under Wine, played by the fault driver (or the long-run
# program), with the saver's registry key saved first and put back whatever happens.
# Usage: fault_case.sh <fault-driver.exe> <fault-longrun.exe> <longrun-reference> <scr> <case> [ticks]
set -uo pipefail
driver=$1 longrun=$2 reference=$3 scr=$4 case=$5 ticks=${6:-20000}
winscr=$(winepath -w "$scr" 2>/dev/null)
x11='HKCU\Software\Wine\AppDefaults\Vellicord2.scr\X11 Driver'
. "$(dirname "$0")/store_guard.sh"
vellicord_guard_store "$x11"

drive() { timeout 600 wine "$driver" "$@" | tr -d '\r'; return "${PIPESTATUS[0]}"; }

case $case in
  matrix)
    # No window manager runs on the test display, and Wine waits two seconds for one whenever a
    # managed window is hidden: each of the 114 dialog closes would. The saver's windows are
    # left unmanaged for this case only, so the matrix runs in about a minute.
    wine reg add "$x11" /v Managed /d N /f >/dev/null 2>&1
    drive matrix "$winscr" ;;
  range) drive range "$winscr" ;;
  preview_host) drive preview-host "$winscr" ;;
  preview_owner_dies) drive preview-owner-dies "$winscr" ;;
  preview_cycles) drive preview-cycles "$winscr" 50 ;;
  two_runs) drive two-runs "$winscr" ;;
  queued_close) drive queued-close "$winscr" ;;
  errorbox_ticks) drive errorbox-ticks "$winscr" ;;
  longrun)
    # The saver's defaults, so the native reference draws the same figure. The locks hold the
    # clock for most ticks: a million ticks advance it about 400 000, so the long run starts
    # 300 000 below the top and the short one 3 000 below, both passing the wrap.
    wine reg delete 'HKCU\Vellicord2' /f >/dev/null 2>&1
    clock=$((2147483647 - (ticks >= 1000000 ? 300000 : 3000)))
    timeout 3600 wine "$longrun" "$ticks" "$clock" | tr -d '\r' | tee "$tmp/win.txt"
    rc=${PIPESTATUS[0]}
    want=$("$reference" 320 240 "$clock" "$ticks")
    got=$(grep -o 'checksum .* wraps [0-9]*' "$tmp/win.txt")
    echo "native: $want"
    if [ -n "$got" ] && [ "$got" = "$want" ]; then
      echo "ok: last frame equals the native engine's"
    else
      echo "FAIL: last frame differs from the native engine's"; rc=1
    fi
    grep -q 'wraps [1-9]' <<<"$got" && echo "ok: the clock wrapped" || { echo "FAIL: no wrap"; rc=1; }
    exit $rc ;;
  sizes)
    # Odd widths and heights, and a window wider than the screen: the last frame shown after a
    # short run equals the native engine's at the same size, pixel for pixel.
    wine reg delete 'HKCU\Vellicord2' /f >/dev/null 2>&1
    rc=0
    for size in 333x250 1366x769; do
      w=${size%x*} h=${size#*x} clock=$((2147483647 - 3000))
      timeout 600 wine "$longrun" 2000 "$clock" "$w" "$h" | tr -d '\r' >"$tmp/win.txt" || rc=1
      got=$(grep -o 'checksum .* wraps [0-9]*' "$tmp/win.txt")
      want=$("$reference" "$w" "$h" "$clock" 2000)
      if [ -n "$got" ] && [ "$got" = "$want" ]; then
        echo "ok: $size: the last frame equals the native engine's ($got)"
      else
        echo "FAIL: $size: '$got', native '$want'"; rc=1
      fi
    done
    exit $rc ;;
  *) echo "unknown case $case"; exit 2 ;;
esac
