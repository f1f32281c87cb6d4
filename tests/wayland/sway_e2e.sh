#!/usr/bin/env bash
# The Wayland program in a headless sway (pixman renderer, no GPU) with two outputs, one of them
# portrait: each output's pixels against the native render of the same draws, the tick rate,
# an output scaled, added and hidden, the swayidle recipe of the README, a key, the signals, the
# lost compositor, no display, a compositor lacking what it needs and a bad option. sway refuses to run as root: as root, the whole
# session runs as nobody.
set -u
prog=$1 match=$2 bare=$3
for tool in sway swaymsg swayidle grim wtype setpriv; do
  command -v $tool >/dev/null || exec "$(dirname "$0")/../support/not_run.sh" "no $tool (scripts/setup.sh installs it)"
done

work=$(mktemp -d /tmp/vellicord2-sway.XXXXXX)
mkdir -m 700 "$work/run"
cp "$prog" "$work/vellicord2-wayland"
cp "$bare" "$work/bare"
chmod 755 "$work" "$work/vellicord2-wayland" "$work/bare"
as=()
if [ "$(id -u)" = 0 ]; then
  chown nobody:nogroup "$work" "$work/run"
  as=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
cat >"$work/sway.conf" <<EOF
xwayland disable
output * bg #000000 solid_color
output HEADLESS-1 resolution 640x480 position 0 0
output HEADLESS-2 resolution 480x640 position 640 0
output HEADLESS-3 resolution 400x300 position 1120 0
EOF
draws=(--draws 0.3,0.6,0.2,3,77)
opts=("${draws[@]}" --speed 3 --lines 6 --line-width 2 --background white)
interval_ms=7

# The session's environment, to prefix commands with: run in the background as they are, not
# through a function, so $! is the program's own process.
in_session() {
  sess=("${as[@]}" env -i PATH="$work:/usr/bin:/bin" HOME="$work" XDG_RUNTIME_DIR="$work/run"
        SWAYSOCK="$work/run/sway.sock" WAYLAND_DISPLAY="$1" WLR_BACKENDS=headless
        WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1)
}
session() { "${sess[@]}" "$@"; }
sway_pid=
prog_pid=
cleanup() {
  for p in $prog_pid $sway_pid; do kill -9 "$p" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT

in_session ""
"${sess[@]}" sway -c "$work/sway.conf" >"$work/sway.log" 2>&1 &
sway_pid=$!
for _ in $(seq 100); do
  display=$(cd "$work/run" && ls wayland-[0-9] 2>/dev/null | head -1)
  in_session "$display"
  [ -n "$display" ] && session swaymsg -t get_version >/dev/null 2>&1 && break
  sleep 0.05
done
[ -n "$display" ] || { echo "FAIL: sway did not start"; cat "$work/sway.log"; exit 1; }
session swaymsg create_output >/dev/null

passed=0 failed=0
report() {  # name, error (empty: passed)
  if [ -z "$2" ]; then passed=$((passed + 1)); echo "ok   $1"
  else failed=$((failed + 1)); echo "FAIL $1: $2"; fi
}
start() {  # the program with these options, its standard error in $work/err
  "${sess[@]}" "$work/vellicord2-wayland" "$@" 2>"$work/err" &
  prog_pid=$!
}
# $status: the exit status of our child $1 once it ended within $2 seconds, else "running".
status_within() {
  status=running
  for _ in $(seq $(($2 * 20))); do
    kill -0 "$1" 2>/dev/null || { wait "$1"; status=$?; return; }
    sleep 0.05
  done
}
now_ms() { echo $(($(date +%s%N) / 1000000)); }
# The tick of the native render that output $1 shows now, or a message; the capture's time in
# milliseconds in $work/shot_ms.
tick_of() {
  local file="$work/$1.ppm" before
  before=$(now_ms)
  session grim -t ppm -o "$1" "$file" || { echo "no screenshot of $1"; return; }
  echo $(((before + $(now_ms)) / 2)) >"$work/shot_ms"
  "$match" "$file" "${opts[@]}"
}
is_tick() { [[ $1 =~ ^[0-9]+$ ]]; }

# --- pixels and ticks
start "${opts[@]}"
sleep 0.8
error=
for out in HEADLESS-1 HEADLESS-2; do
  t=$(tick_of $out)
  is_tick "$t" || error+="$out: $t; "
done
report "each output, landscape and portrait: the native frame of the same draws" "$error"

# Speed 3 ticks every 7 ms while the compositor asks for a frame every 16.7 ms: the clock keeps
# the tick rate, two or three ticks a frame.
t1=$(tick_of HEADLESS-1) ms1=$(cat "$work/shot_ms")
sleep 1
t2=$(tick_of HEADLESS-1) ms2=$(cat "$work/shot_ms")
error=
if is_tick "$t1" && is_tick "$t2"; then
  due=$(( (ms2 - ms1) / interval_ms ))
  [ $((10 * (t2 - t1))) -ge $((6 * due)) ] && [ $((10 * (t2 - t1))) -le $((11 * due)) ] ||
    error="$((t2 - t1)) ticks where $due were due"
else
  error="$t1 / $t2"
fi
report "ticks at the speed's rate between frames" "$error"

# Scale 2: buffers of the output's pixels, a one-pixel line one pixel of the output.
session swaymsg output HEADLESS-1 scale 2 >/dev/null
sleep 0.6
t=$(tick_of HEADLESS-1)
is_tick "$t" && error= || error=$t
session swaymsg output HEADLESS-1 scale 1 >/dev/null
report "an output at scale 2: the figure at its pixels" "$error"

session swaymsg create_output >/dev/null
sleep 0.8
t=$(tick_of HEADLESS-3)
is_tick "$t" && error= || error=$t
report "an output added while it runs gets its figure" "$error"

# A surface on a workspace not shown gets no frame callbacks, and is committed no more.
kill -9 "$prog_pid"; wait "$prog_pid" 2>/dev/null
"${sess[@]}" WAYLAND_DEBUG=1 "$work/vellicord2-wayland" "${opts[@]}" 2>"$work/debug" &
prog_pid=$!
sleep 0.8
commits() {  # wl_surface.commit requests per surface over one second, after $1
  sleep 0.4
  local from
  from=$(wc -l <"$work/debug")
  sleep 1
  tail -n +"$from" "$work/debug" | grep -o 'wl_surface@[0-9]*\.commit' | sort | uniq -c |
    awk '{print $1}' | sort -n | tr '\n' ' '
}
shown=$(commits)
session swaymsg 'focus output HEADLESS-2; workspace 9' >/dev/null
hidden=$(commits)
session swaymsg 'workspace 2' >/dev/null
sleep 0.3
t=$(tick_of HEADLESS-2)
set -- $shown
surfaces=$#
set -- $hidden
error=
# Only the surfaces that committed at all are counted: one fewer, the others going on.
[ $# = $((surfaces - 1)) ] && [ "$1" -gt 20 ] ||
  error="commits a second, of each surface that made any: all shown $shown; one hidden $hidden"
[ -n "$error" ] || is_tick "$t" || error="shown again: $t"
report "a hidden output's surface is committed no more; shown again, the current frame" "$error"
kill -9 "$prog_pid"; wait "$prog_pid" 2>/dev/null

# --- what ends it
start "${draws[@]}"
sleep 0.5
session wtype -s 300 a
status_within "$prog_pid" 3
[ "$status" = 0 ] && error= || error="status $status"
report "a key from a keyboard that came after the start ends it, status 0" "$error"

for sig in TERM INT HUP; do
  start "${draws[@]}"
  sleep 0.4
  kill -$sig "$prog_pid"
  status_within "$prog_pid" 1
  [ "$status" = 0 ] && error= || error="status $status"
  report "SIG$sig ends it within a second, status 0" "$error"
done

# The README's swayidle recipe, word for word but for the timeout: started when idle, ended by a
# key, and the resume command finds nothing left to end.
recipe=$(sed -n '/^ *swayidle -w/,/^ *```/{/```/!p}' "$(dirname "$0")/../../README.md" |
  sed 's/timeout 300/timeout 1/')
"${sess[@]}" sh -c "$recipe" >"$work/swayidle.log" 2>&1 &
idle_pid=$!
uid=$(session id -u)
started=
for _ in $(seq 60); do
  started=$(pgrep -u "$uid" -f '^vellicord2-wayland' | head -1)
  [ -n "$started" ] && break
  sleep 0.05
done
error=
if [ -z "$started" ]; then
  error="swayidle did not start it: $(cat "$work/swayidle.log")"
else
  sleep 0.5
  session wtype -s 300 a
  # Not our child: only whether it is gone.
  for _ in $(seq 60); do kill -0 "$started" 2>/dev/null && sleep 0.05; done
  kill -0 "$started" 2>/dev/null && error="a key left it running"
fi
pkill -P "$idle_pid"; kill "$idle_pid" 2>/dev/null; wait "$idle_pid" 2>/dev/null
# Idle again a second later, swayidle may have started another.
for p in $(pgrep -u "$uid" -f '^vellicord2-wayland'); do kill "$p"; done
report "the README's swayidle recipe starts it on idle; a key ends it" "$error"

session timeout 10 env WAYLAND_DISPLAY=wayland-none "$work/vellicord2-wayland" 2>"$work/err"
status=$?
error=
[ $status = 1 ] || error="status $status"
grep -q 'cannot connect to a Wayland display' "$work/err" || error+=" message: $(cat "$work/err")"
report "no Wayland display: the message, status 1" "$error"

session timeout 10 "$work/vellicord2-wayland" --lines 40 2>"$work/err"
status=$?
error=
[ $status = 1 ] || error="status $status"
grep -q -- '--lines takes a whole number from 1 to 31' "$work/err" &&
  grep -q 'usage: vellicord2-wayland' "$work/err" || error+=" message: $(cat "$work/err")"
report "an option out of range: the X11 program's message and the usage, status 1" "$error"

# A compositor that offers wl_compositor alone, then with wl_shm.
for lacks in wl_shm xdg_wm_base; do
  globals=(wl_compositor)
  [ $lacks = xdg_wm_base ] && globals+=(wl_shm)
  "${sess[@]}" "$work/bare" bare-$lacks "${globals[@]}" &
  bare_pid=$!
  for _ in $(seq 40); do [ -S "$work/run/bare-$lacks" ] && break; sleep 0.05; done
  session timeout 10 env WAYLAND_DISPLAY=bare-$lacks "$work/vellicord2-wayland" 2>"$work/err"
  status=$?
  kill "$bare_pid"; wait "$bare_pid" 2>/dev/null
  error=
  [ $status = 1 ] || error="status $status"
  grep -q "offers no $lacks" "$work/err" || error+=" message: $(cat "$work/err")"
  report "a compositor without $lacks: a message naming it, status 1" "$error"
done

start "${draws[@]}"
sleep 0.5
kill -9 "$sway_pid"; wait "$sway_pid" 2>/dev/null
status_within "$prog_pid" 2
error=
[ "$status" != 0 ] && [ "$status" != running ] || error="status $status"
grep -q 'lost the connection to the compositor' "$work/err" || error+=" message: $(cat "$work/err")"
report "the compositor gone: a message, a status not 0" "$error"

echo "$passed passed, $failed failed"
[ $failed = 0 ]
