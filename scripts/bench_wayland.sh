#!/usr/bin/env bash
# The Wayland program's CPU beside the X11 program's, in one run at one screen size: the Wayland
# program at its defaults on a headless sway (pixman, one output of that size) with sway's share,
# then the X11 program on the root window of an Xvfb of that size with the X server's share.
# Prints two lines, "wlcpu|wayland SIZE|own %|compositor %" and "wlcpu|x11 SIZE|own %|X server %".
# Usage: bench_wayland.sh SIZE SECONDS (scripts/bench.sh runs it; it builds nothing).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
size=$1 secs=$2
hz=$(getconf CLK_TCK)
work=$(mktemp -d /tmp/vellicord2-bench-wl.XXXXXX)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

cpu_ticks() {  # utime + stime of a process, in clock ticks
  local stat
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || { echo 0; return; }
  stat=${stat##*) }
  set -- $stat
  echo $((${12} + ${13}))
}
# measure KIND NAME PROGRAM-PID SERVER-PID: both processes' CPU over $secs after 2 s to settle.
measure() {
  local p0 s0 p1 s1
  sleep 2
  p0=$(cpu_ticks "$3"); s0=$(cpu_ticks "$4")
  sleep "$secs"
  p1=$(cpu_ticks "$3"); s1=$(cpu_ticks "$4")
  awk -v k="$1" -v n="$2" -v s="$secs" -v hz="$hz" -v p=$((p1 - p0)) -v x=$((s1 - s0)) \
    'BEGIN { printf "%s|%s|%.2f|%.2f\n", k, n, 100 * p / hz / s, 100 * x / hz / s }'
}

# sway refuses to run as root: as root, the session runs as nobody.
mkdir -m 700 "$work/run"
cp "$root/build/native/wayland/vellicord2-wayland" "$work/"
chmod 755 "$work" "$work/vellicord2-wayland"
as=()
if [ "$(id -u)" = 0 ]; then
  chown nobody:nogroup "$work" "$work/run"
  as=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
printf 'xwayland disable\noutput * bg #000000 solid_color\noutput HEADLESS-1 resolution %s\n' \
  "$size" >"$work/sway.conf"
sess=("${as[@]}" env -i PATH=/usr/bin:/bin HOME="$work" XDG_RUNTIME_DIR="$work/run"
      WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1)
"${sess[@]}" sway -c "$work/sway.conf" >/dev/null 2>&1 &
sway=$!
pids+=("$sway")
display=
for _ in $(seq 100); do
  display=$(cd "$work/run" && ls wayland-[0-9] 2>/dev/null | head -1) && [ -n "$display" ] && break
  sleep 0.05
done
sleep 0.5
"${sess[@]}" WAYLAND_DISPLAY="$display" "$work/vellicord2-wayland" &
saver=$!
pids+=("$saver")
measure wlcpu "wayland $size" "$saver" "$sway"
kill "$saver" "$sway"

# A display number no other server holds: Xvfb picks it and writes it.
Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$work/xdisplay" >/dev/null 2>&1 &
xvfb=$!
pids+=("$xvfb")
for _ in $(seq 50); do [ -s "$work/xdisplay" ] && break; sleep 0.1; done
DISPLAY=":$(cat "$work/xdisplay")" "$root/build/native/saver/vellicord2" --root &
hack=$!
pids+=("$hack")
measure wlcpu "x11 $size" "$hack" "$xvfb"
