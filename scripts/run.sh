#!/usr/bin/env bash
# Builds Vellicord2.scr and starts it under Wine (the 32-bit build where 32-bit programs run,
# else the 64-bit one): `/s` by default, or the mode given (/c, /p, /a,
# /p <handle>). With no display it runs the mode on a virtual one for a few seconds and saves a
# screenshot to build/screenshot-<mode>.png.
# `run.sh x11 [options]` builds the X11 program instead and shows it in a window of its own,
# with the options given (--speed, --lines, --background white, ...).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"

if [ "${1:-}" = x11 ]; then
  shift
  cmake -S "$root" -B "$root/build/native" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  ninja -C "$root/build/native" vellicord2-x11 >/dev/null
  hack="$root/build/native/saver/vellicord2"
  [ -n "${DISPLAY:-}" ] && exec "$hack" "$@"
  # No display: a virtual one, and a screenshot of the window after a few seconds.
  n=$(( 90 + RANDOM % 100 ))
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  trap 'kill "$xvfb" 2>/dev/null || true' EXIT
  export DISPLAY=":$n"
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  "$hack" "$@" &
  pid=$!
  sleep "${VELLICORD_RUN_SECONDS:-5}"
  shot="$root/build/screenshot-x11.png"
  import -window root -crop 800x600+0+0 "$shot"
  echo "screenshot: $shot"
  kill "$pid" 2>/dev/null || true
  exit 0
fi
"$root/scripts/build.sh" >/dev/null
[ $# -eq 0 ] && set -- /s
. "$root/scripts/wine-env.sh"
vellicord_pick_build
scr="$VELLICORD_WIN/saver/Vellicord2.scr"

if [ -n "${DISPLAY:-}" ]; then
  vellicord_boot_prefix
  exec wine "$scr" "$@"
fi

vellicord_start_display
trap vellicord_stop_display EXIT
vellicord_boot_prefix
# With no window manager on the virtual display, let Wine draw captions and frames itself.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
name=$(echo "$1" | tr -dc 'A-Za-z0-9')
shot="$root/build/screenshot-${name:-none}.png"
wine "$scr" "$@" &
pid=$!
sleep "${VELLICORD_RUN_SECONDS:-5}"
import -window root "$shot"
echo "screenshot: $shot"
kill "$pid" 2>/dev/null || true
