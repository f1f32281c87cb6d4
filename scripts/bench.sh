#!/usr/bin/env bash
# The benchmark command: builds both trees, then measures in one run what a frame costs (natively
# and under Wine, beside its floors and beside GDI), the running saver's CPU use and tick
# intervals at each speed, its start-up time, size and memory. Prints one markdown table and
# writes it to docs/benchmarks.md, and no other file. Its own Wine prefix
# (build/wineprefix-bench) and displays.
# VELLICORD_BENCH_SECONDS (default 30) is the length of each CPU run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" >/dev/null
run_s=${VELLICORD_BENCH_SECONDS:-30}
native=$root/build/native/tools/vellicord2-frame-bench
out=$root/docs/benchmarks.md
tmp=$(mktemp -d)
hz=$(getconf CLK_TCK)

export WINEPREFIX="$root/build/wineprefix-bench"
export VELLICORD_OWN_DISPLAY=1
. "$root/scripts/wine-env.sh"
. "$root/tests/wine/store_guard.sh"
vellicord_pick_build
win=$VELLICORD_WIN
scr=$win/saver/Vellicord2.scr
benchwin=$win/tools/vellicord2-bench-win.exe
cleanup() {
  vellicord_stop_display
  rm -rf "$tmp"
}
trap cleanup EXIT

winpath() { echo "Z:${1//\//\\}"; }

# utime + stime of a process, in clock ticks; 0 once it is gone.
cpu_ticks() {
  local stat
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || { echo 0; return; }
  stat=${stat##*) }
  set -- $stat
  echo $(( ${12} + ${13} ))
}

# The wineserver of this prefix: it works in a directory named after the prefix's device and inode.
wineserver_pid() {
  local want p
  want=$(printf 'server-%x-%x' "$(stat -c %d "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")
  for p in $(pgrep -x "wineserver(32|64)?" || true); do
    [ "$(basename "$(readlink "/proc/$p/cwd" 2>/dev/null)")" = "$want" ] && { echo "$p"; return; }
  done
  echo 0
}

# measure NAME SECONDS command...: starts the Windows program, lets it settle for two seconds,
# then takes its own CPU time, the wineserver's and the display's over SECONDS, and the peak of
# its private resident memory (RssAnon, sampled each second) and VmHWM. With counters_to set,
# the running saver's tick counters go there as one named line before it is stopped.
measure() {
  local name=$1 secs=$2; shift 2
  "$@" >/dev/null 2>&1 &
  local pid=$! ws xs p0 w0 x0 p1 w1 x1 anon peak=0 i
  sleep 2
  ws=$(wineserver_pid); xs=${VELLICORD_XVFB_PID:-0}
  p0=$(cpu_ticks "$pid"); w0=$(cpu_ticks "$ws"); x0=$(cpu_ticks "$xs")
  for ((i = 0; i < secs; i++)); do
    sleep 1
    anon=$(awk '/^RssAnon:/ {print $2}' "/proc/$pid/status" 2>/dev/null || echo 0)
    [ "${anon:-0}" -gt "$peak" ] && peak=$anon
  done
  p1=$(cpu_ticks "$pid"); w1=$(cpu_ticks "$ws"); x1=$(cpu_ticks "$xs")
  local hwm
  hwm=$(awk '/^VmHWM:/ {print $2}' "/proc/$pid/status" 2>/dev/null || echo 0)
  if [ -n "${counters_to:-}" ]; then
    wine "$benchwin" counters 2>/dev/null | tr -d '\r' >"$counters_to" || true
  fi
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  awk -v n="$name" -v s="$secs" -v hz="$hz" -v p=$((p1 - p0)) -v w=$((w1 - w0)) -v x=$((x1 - x0)) \
    -v a="$peak" -v h="$hwm" 'BEGIN { printf "cpu|%s|%.2f|%.2f|%.2f|%.1f|%.1f\n", n,
      100 * p / hz / s, 100 * w / hz / s, 100 * x / hz / s, a / 1024, h / 1024 }' >>"$tmp/cpu.txt"
}

key='HKCU\Vellicord2\Vellicord2'

echo "native frames..." >&2
"$native" --parts 1 >"$tmp/native.txt"
# The rasterizer's share of a frame as the running saver composes it (stepped from the frame
# before) and as a full clear and repaint, beside one memset of the buffer and the step's floor;
# CPU time, the best of five runs of each, so that other load on the cores counts as little as
# it can (the aggregate rows, named with an underscore, are left out).
"$native" --benchmark_min_time=0.5 --benchmark_repetitions=5 --benchmark_format=csv 2>/dev/null |
  awk -F, '/^"BM_Frame\// { gsub(/"/, "", $1); split($1, n, "/"); if (n[4] ~ /_/) next
      k = n[2] " " n[3] "|" n[4]; if (!(k in best)) order[++count] = k
      if (!(k in best) || $4 + 0 < best[k]) best[k] = $4 + 0 }
    END { for (i = 1; i <= count; i++) printf "raster|%s|%.1f\n", order[i], best[order[i]] }' \
  >"$tmp/raster.txt"

echo "Windows frames under Wine on a 1920x1080 display..." >&2
vellicord_start_display 1920x1080
vellicord_boot_prefix
wine "$benchwin" frames 1 | tr -d '\r' >"$tmp/win.txt"
vellicord_stop_display
wineserver -w 2>/dev/null || true

echo "the saver on a 1024x768 display..." >&2
vellicord_start_display
vellicord_boot_prefix
# The runs below set Speed: the saver's key is put back as it was when the script ends.
vellicord_guard_store
trap 'vellicord_put_store_back; cleanup' EXIT
for speed in 0 1 2 3; do
  wine reg add "$key" /v Speed /t REG_SZ /d "$speed" /f >/dev/null 2>&1
  wineserver -w 2>/dev/null || true
  counters_to=$tmp/counters.txt
  rm -f "$counters_to"
  measure "speed $speed" "$run_s" wine "$scr" /s
  counters_to=""
  { printf 'ticks|speed %s|' "$speed"; cat "$tmp/counters.txt" 2>/dev/null || true; echo; } >>"$tmp/ticks.txt"
done
# The heaviest settings the dialog can store, as one more run.
for setting in Speed:3 Period:2 NumberOfLines:10 WidthOfLines:10; do
  wine reg add "$key" /v "${setting%:*}" /t REG_SZ /d "${setting#*:}" /f >/dev/null 2>&1
done
wineserver -w 2>/dev/null || true
measure "heaviest" "$run_s" wine "$scr" /s
echo "Wine's own floors, start-up..." >&2
measure "idle window" 10 wine "$benchwin" idle 0
measure "idle window, timer at 14 ms" 15 wine "$benchwin" idle 14
# What presenting alone costs at the saver's rate: one 16-row strip, or the whole buffer, copied
# to a full-screen window every 14 ms with nothing drawn.
measure "present floor, strip" "$run_s" wine "$benchwin" idle 14 strip
measure "present floor, whole" "$run_s" wine "$benchwin" idle 14 whole
# And at the heaviest settings' rate, where their strips cover the whole buffer.
measure "present floor, whole, 7 ms" "$run_s" wine "$benchwin" idle 7 whole
wine "$benchwin" startup "$(winpath "$scr")" 5 | tr -d '\r' >"$tmp/startup.txt"

# measure_x11 NAME SECONDS command...: like measure, with the X server's share beside its own.
measure_x11() {
  local name=$1 secs=$2; shift 2
  "$@" >/dev/null 2>&1 &
  local pid=$! p0 x0 p1 x1
  sleep 2
  p0=$(cpu_ticks "$pid"); x0=$(cpu_ticks "$VELLICORD_XVFB_PID")
  sleep "$secs"
  p1=$(cpu_ticks "$pid"); x1=$(cpu_ticks "$VELLICORD_XVFB_PID")
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  awk -v n="$name" -v s="$secs" -v hz="$hz" -v p=$((p1 - p0)) -v x=$((x1 - x0)) \
    'BEGIN { printf "x11cpu|%s|%.2f|%.2f\n", n, 100 * p / hz / s, 100 * x / hz / s }' >>"$tmp/x11.txt"
}
hack=$root/build/native/saver/vellicord2
benchx11=$root/build/native/tools/vellicord2-bench-x11
helix=/usr/libexec/xscreensaver/helix
# The X11 program at its defaults on screens of three sizes, each on the root window (a window
# the size of the screen), beside XScreenSaver's helix there, 12 s each: the program's own share
# and the X server's. Then the frames it sends there: the pixels changed and copied, and the
# server's time a frame for its rectangles and for whole strips.
for size in 1024x768 1920x1080 3840x2160; do
  echo "the X11 program and XScreenSaver's helix on a $size display..." >&2
  vellicord_stop_display
  vellicord_start_display "$size"
  measure_x11 "vellicord2 $size" 12 "$hack" --root
  measure_x11 "helix $size" 12 "$helix" --root
  "$benchx11" frames 600 >>"$tmp/x11.txt"
  [ "$size" = 1024x768 ] || continue
  measure_x11 "vellicord2 --root, heaviest: Speed 3, 10 lines, width 10, Period 2 (7 ms)" "$run_s" \
    "$hack" --root --speed 3 --lines 10 --line-width 10 --complexity 2
  # The program's floor: its loop presenting the whole buffer at each rate, nothing drawn.
  measure_x11 "floor 14" "$run_s" "$benchx11" 14 whole
  measure_x11 "floor 7" "$run_s" "$benchx11" 7 whole
done
"$benchx11" cost >>"$tmp/x11.txt"

# The raw figures stay beside the build, for a look behind the table.
cat "$tmp"/*.txt >"$root/build/bench-raw.txt"
# The one table, made by scripts/bench_table.awk, and how its figures are taken.
{
  echo "## Benchmark results"
  echo
  echo "$(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //'), $(wine --version), the $(basename "$win") build, $(date -u +%Y-%m-%d)."
  echo
  echo "Made by \`./scripts/bench.sh\` in one run, with its own Wine prefix (\`build/wineprefix-bench\`) and"
  echo "its own virtual displays: 1920x1080 for the frame parts, 1024x768 for the running saver. Frame"
  echo "parts are the best mean of five batches, raster rows the best of five runs; CPU is the"
  echo "process's own user + system time from \`/proc/<pid>/stat\` over the run, beside the"
  echo "wineserver's and the X server's share that it causes. Nothing is drawn while the window is"
  echo "hidden, minimized or the display is off (\`common/frame_gate.h\`); the clock and the ring"
  echo "advance as always, so the first frame shown afterwards is the one that would have been."
  echo
  awk -F'|' -v size="$(stat -c %s "$scr")" -f "$root/scripts/bench_table.awk" "$root/build/bench-raw.txt"
} >"$out"
cat "$out"
