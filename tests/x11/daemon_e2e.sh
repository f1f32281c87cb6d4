#!/usr/bin/env bash
# End to end with Debian's XScreenSaver: the built package installed, the hack chosen in a
# ~/.xscreensaver, `xscreensaver-command -activate` starts it and it draws, `-deactivate` ends it
# and no process of it is left. The package is removed again afterwards if it was not installed
# before. The daemon won't run hacks as root, so it runs as nobody with a home of its own, on an
# Xvfb that admits every local client (-ac).
# Usage: daemon_e2e.sh PACKAGE-DIR
set -euo pipefail
debs=("$1"/vellicord2_*_amd64.deb)
deb=${debs[0]}
[ -f "$deb" ] || { echo "FAIL: no package in $1 (the package test builds it)"; exit 1; }

was_installed=0
dpkg-query -W -f='${Status}' vellicord2 2>/dev/null | grep -q 'install ok installed' && was_installed=1
home=$(mktemp -d)
xvfb="" daemon=""
cleanup() {
  [ -n "$daemon" ] && kill "$daemon" 2>/dev/null || true
  # A hack still running ends with the display: its lost connection ends it.
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  [ "$was_installed" = 0 ] && apt-get -o DPkg::Lock::Timeout=600 remove -y -q vellicord2 >/dev/null 2>&1 || true
  rm -rf "$home"
}
trap cleanup EXIT

failed=0 passed=0
check() {
  local name=$1; shift
  if "$@"; then passed=$((passed + 1)); echo "ok   $name"
  else failed=$((failed + 1)); echo "FAIL $name"; fi
}
# wait_for SECONDS COMMAND...: true once the command succeeds within the time.
wait_for() {
  local until=$((SECONDS + $1)); shift
  until "$@"; do [ $SECONDS -ge $until ] && return 1; sleep 0.1; done
}

# Through apt, which waits for the package lock another install may hold.
apt-get -o DPkg::Lock::Timeout=600 install -y -q --no-install-recommends "$(realpath "$deb")" >/dev/null
check "the package installs" test -x /usr/libexec/xscreensaver/vellicord2

for _ in $(seq 20); do
  n=$((400 + RANDOM % 500))
  Xvfb ":$n" -screen 0 1024x768x24 -ac -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  export DISPLAY=":$n"
  wait_for 5 xdpyinfo >/dev/null 2>&1 && break
  kill "$xvfb" 2>/dev/null || true
  xvfb=""
done
[ -n "$xvfb" ] || { echo "FAIL: no Xvfb"; exit 1; }

cat >"$home/.xscreensaver" <<'CONF'
mode:		one
selected:	0
timeout:	0:30:00
lock:		False
fade:		False
unfade:		False
splash:		False
programs:	vellicord2 --root		\n
CONF
chown -R nobody "$home"
as_nobody() { runuser -u nobody -- env HOME="$home" DISPLAY="$DISPLAY" "$@"; }
as_nobody xscreensaver -no-splash >"$home/daemon.log" 2>&1 &
daemon=$!
wait_for 15 as_nobody xscreensaver-command -version >/dev/null 2>&1 ||
  { echo "FAIL: the daemon does not answer"; cat "$home/daemon.log"; exit 1; }

hack_running() { pgrep -u nobody -x vellicord2 >/dev/null; }
as_nobody xscreensaver-command -activate >/dev/null
check "-activate starts the hack from the package" wait_for 10 hack_running
# Its window shows the figure: more than the one colour of a blank screen.
colours() { import -window root png:- 2>/dev/null | convert - -format '%k' info:; }
draws() { [ "$(colours)" -gt 1 ]; }
check "the hack draws in the daemon's window" wait_for 5 draws
check "the hack is the one from /usr/libexec/xscreensaver" \
  bash -c "[ \"\$(readlink /proc/\$(pgrep -u nobody -x vellicord2 | head -1)/exe)\" = /usr/libexec/xscreensaver/vellicord2 ]"
as_nobody xscreensaver-command -deactivate >/dev/null
hack_gone() { ! hack_running; }
check "-deactivate ends it and no process is left" wait_for 5 hack_gone
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
