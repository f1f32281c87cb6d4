#!/usr/bin/env bash
# One end-to-end case of Vellicord2.scr under Wine: sets the registry up for the case, runs the
# host-playing driver (or the .scr itself), and puts the registry back whatever happens.
# Usage: saver_case.sh <driver.exe> <Vellicord2.scr> <case>
set -uo pipefail
driver=$1 scr=$2 case=$3
winscr=$(winepath -w "$scr" 2>/dev/null)
section='HKCU\Vellicord2\Vellicord2'
appdefaults='HKCU\Software\Wine\AppDefaults\Vellicord2.scr'

# The store key is shared with the dialog's tests: keep what was there and put it back.
. "$(dirname "$0")/store_guard.sh"
vellicord_guard_store "$appdefaults"

set_value() {  # name type data
  wine reg add "$section" /v "$1" /t "$2" /d "$3" /f >/dev/null 2>&1
}
drive() { timeout 120 wine "$driver" "$@" | tr -d '\r'; return "${PIPESTATUS[0]}"; }

wine reg delete "$section" /f >/dev/null 2>&1
case $case in
  run_black) drive run "$winscr" black ;;
  run_white)
    fail=0
    for bg in White black ""; do
      echo "BGcolor \"$bg\":"
      set_value BGcolor REG_SZ "$bg"
      drive run "$winscr" white || fail=1
    done
    exit $fail ;;
  input) drive input "$winscr" ;;
  syscommand) drive syscommand "$winscr" ;;
  activate) drive activate "$winscr" ;;
  preview) drive preview "$winscr" ;;
  preview_nohandle) drive preview-nohandle "$winscr" ;;
  preview_bad) drive preview-bad "$winscr" ;;
  errorbox)
    set_value Speed REG_DWORD 1
    drive errorbox "$winscr" "'Speed' のデータ型が不正です." ;;
  saver_running)
    # Wine keeps SPI_SETSCREENSAVERRUNNING per process, so its trace shows what the saver set.
    fail=0
    for version in win98 default; do
      wine reg delete "$appdefaults" /f >/dev/null 2>&1
      [ $version = win98 ] && wine reg add "$appdefaults" /v Version /d win98 /f >/dev/null 2>&1
      WINEDEBUG=+system timeout 120 wine "$driver" start-close "$winscr" 2>"$tmp/trace.txt" \
        | tr -d '\r' || fail=1
      calls=$(grep -oE 'SystemParametersInfoA \(97, [01],' "$tmp/trace.txt" | grep -oE '[01],$' \
        | tr -d ',' | tr '\n' ' ')
      echo "$version: SPI_SETSCREENSAVERRUNNING calls: ${calls:-none}"
      want="1 0 "
      [ $version = default ] && want=""
      if [ "$calls" = "$want" ]; then
        echo "ok: $version sets the running state as expected"
      else
        echo "FAIL: $version expected '${want:-none}'"; fail=1
      fi
    done
    exit $fail ;;
  notifications)
    # Wine's stubs trace each call: which display state is watched on each Windows version, the
    # session's connection state (class 8) asked at start, and both watches ended at the close.
    fail=0
    for version in win7 win10; do
      wine reg delete "$appdefaults" /f >/dev/null 2>&1
      wine reg add "$appdefaults" /v Version /d $version /f >/dev/null 2>&1
      WINEDEBUG=fixme+win,fixme+wtsapi,trace+wtsapi timeout 120 wine "$driver" start-close "$winscr" \
        2>"$tmp/trace.txt" | tr -d '\r' || fail=1
      want='{02731015-4510-4526-99e6-e5a17ebd1aea}'  # the monitors' power, Vista and 7
      [ $version = win10 ] && want='{2b84c20e-ad23-4ddf-93db-05ffbd7efca5}'  # the session's display
      for call in "$want" WTSRegisterSessionNotification ' 0xffffffff 8 ' \
                  UnregisterPowerSettingNotification WTSUnRegisterSessionNotification; do
        if grep -qF -- "$call" "$tmp/trace.txt"; then
          echo "ok: $version: $call"
        else
          echo "FAIL: $version: no $call"; fail=1
        fi
      done
    done
    exit $fail ;;
  stall) drive stall "$winscr" 14 ;;
  dpi192)
    # At 192 pixels per inch the window still covers the screen pixel for pixel, and the preview
    # fills its host's rectangle exactly. Wine takes the resolution from LogPixels.
    desktop='HKCU\Control Panel\Desktop'
    old=$(wine reg query "$desktop" /v LogPixels 2>/dev/null | tr -d '\r' | awk '/LogPixels/ {print $3}')
    wine reg add "$desktop" /v LogPixels /t REG_DWORD /d 192 /f >/dev/null 2>&1
    fail=0
    drive run "$winscr" black || fail=1
    drive preview "$winscr" || fail=1
    if [ -n "$old" ]; then
      wine reg add "$desktop" /v LogPixels /t REG_DWORD /d "$((old))" /f >/dev/null 2>&1
    else
      wine reg delete "$desktop" /v LogPixels /f >/dev/null 2>&1
    fi
    exit $fail ;;
  timer)
    fail=0
    for speed in 0 1 2 3 4; do
      set_value Speed REG_SZ $speed
      drive ticks "$winscr" $((28 - 7 * speed)) || fail=1
    done
    exit $fail ;;
  password)
    start=$(date +%s%N)
    WINEDEBUG=+loaddll timeout 30 wine "$scr" /a >"$tmp/out.txt" 2>&1
    rc=$?
    ms=$(( ($(date +%s%N) - start) / 1000000 ))
    [ $rc -eq 0 ] && echo "ok: /a ended by itself in $ms ms" || { echo "FAIL: /a rc=$rc"; exit 1; }
    line=$(grep -i 'mpr.dll' "$tmp/out.txt" | grep -i 'Loaded' | head -1)
    echo "$line"
    sysdir=$(wine cmd /c 'echo %SystemRoot%' 2>/dev/null | tr -d '\r')
    if echo "$line" | grep -qiE 'windows\\\\(system32|syswow64)\\\\mpr\.dll'; then
      echo "ok: MPR.DLL loaded from the system directory ($sysdir)"
    else
      echo "FAIL: MPR.DLL not loaded from the system directory"; exit 1
    fi ;;
  *) echo "unknown case $case"; exit 2 ;;
esac
