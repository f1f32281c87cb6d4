#!/usr/bin/env bash
# The full-screen saver on two monitors side by side, of different sizes: Xephyr's two Xinerama
# screens (Xvfb would stack them at 0,0), inside an Xvfb of their own, with a prefix of its own.
# The background black (the defaults), then white.
# Usage: monitors.sh <driver.exe> <Vellicord2.scr>
set -uo pipefail
driver=$1 scr=$2
command -v Xephyr >/dev/null ||
  exec "$(dirname "$0")/../support/not_run.sh" "Xephyr is missing (scripts/setup.sh installs xserver-xephyr)"
tmp=$(mktemp -d)
n=$(( 200 + RANDOM % 100 ))
Xvfb ":$n" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
outer=$!
for _ in $(seq 50); do xdpyinfo -display ":$n" >/dev/null 2>&1 && break; sleep 0.1; done
DISPLAY=":$n" Xephyr ":$((n + 1))" -screen 1024x768 -screen 800x600 +xinerama -nolisten tcp \
  >/dev/null 2>&1 &
inner=$!
export DISPLAY=":$((n + 1))" WINEPREFIX=$tmp/prefix
trap 'wineserver -k 2>/dev/null; kill $inner $outer 2>/dev/null; rm -rf "$tmp"' EXIT
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
wineboot -i >/dev/null 2>&1
# Xephyr's RandR reports one output the size of both screens; without RandR Wine takes its
# monitors from Xinerama.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v UseXRandR /d N /f >/dev/null 2>&1
wineserver -k
winscr=$(winepath -w "$scr")
fail=0
for bg in black white; do
  echo "== background $bg"
  [ $bg = white ] && wine reg add 'HKCU\Vellicord2\Vellicord2' /v BGcolor /d White /f >/dev/null 2>&1
  timeout 120 wine "$driver" monitors "$winscr" $bg | tr -d '\r'
  [ "${PIPESTATUS[0]}" = 0 ] || fail=1
done
exit $fail
