#!/usr/bin/env bash
# End to end with one of Debian's screen-saver hosts on Xvfb, running the hack from the built
# package: the host starts it, it draws in the host's window, and it ends when the host ends it,
# leaving no process behind. What started it, its arguments and XSCREENSAVER_WINDOW, and how it
# ended are printed. The package is removed again afterwards if it was not installed before.
#   xscreensaver: the hack chosen in a ~/.xscreensaver; -activate, -deactivate. The daemon
#     won't run hacks as root, so it runs as nobody on an Xvfb that admits every client (-ac).
#   mate: mate-screensaver in a D-Bus session of its own, the theme chosen through GSettings
#     (found by the package's desktop entry); --activate, --deactivate.
#   xsecurelock: XSECURELOCK_SAVER is the hack; the locker killed.
# A host that is installed but does not answer is a failure, not a skip.
# Usage: host_e2e.sh xscreensaver|mate|xsecurelock PACKAGE-DIR BUILT-HACK
set -euo pipefail
host=$1 built=$3
debs=("$2"/vellicord2_*_amd64.deb)
deb=${debs[0]}
[ -f "$deb" ] || { echo "FAIL: no package in $2 (the package test builds it)"; exit 1; }
skip() { "$(dirname "$0")/../support/not_run.sh" "$*"; exit; }

case $host in
  xscreensaver) need=(xscreensaver xscreensaver-command runuser) ;;
  mate) need=(mate-screensaver mate-screensaver-command gsettings dbus-run-session dbus-daemon) ;;
  xsecurelock) need=(xsecurelock) ;;
  *) echo "usage: host_e2e.sh xscreensaver|mate|xsecurelock PACKAGE-DIR BUILT-HACK" >&2; exit 2 ;;
esac
for tool in "${need[@]}" Xvfb xdpyinfo xwd convert; do
  command -v "$tool" >/dev/null || skip "no $tool here (scripts/setup.sh installs it)"
done

# MATE's screen saver, gsettings and dconf's service meet on a session bus: the whole run goes
# into one of its own, with a home of its own that dconf's service (started by the bus) shares.
if [ "$host" = mate ] && [ -z "${VELLICORD_E2E_HOME:-}" ]; then
  VELLICORD_E2E_HOME=$(mktemp -d)
  mkdir -m 700 "$VELLICORD_E2E_HOME/run"
  export VELLICORD_E2E_HOME HOME=$VELLICORD_E2E_HOME XDG_RUNTIME_DIR=$VELLICORD_E2E_HOME/run
  unset XDG_CONFIG_HOME XDG_CACHE_HOME XDG_DATA_HOME
  exec dbus-run-session -- "$0" "$@"
fi
home=${VELLICORD_E2E_HOME:-$(mktemp -d)}

# One run at a time on this machine: every worktree's run installs the same package.
exec 9>/tmp/vellicord2-host-e2e.lock
flock -w 280 9 || { echo "FAIL: another run held the lock for 280 s"; exit 1; }

was_installed=0
dpkg-query -W -f='${Status}' vellicord2 2>/dev/null | grep -q 'install ok installed' && was_installed=1
xvfb="" host_pid=""
cleanup() {
  [ -n "$host_pid" ] && kill "$host_pid" 2>/dev/null || true
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

# Through apt, which waits for the package lock another install may hold; installed again
# when the same version is in already, so that the hack that runs is the one just built.
apt-get -o DPkg::Lock::Timeout=600 install -y -q --reinstall --no-install-recommends \
  "$(realpath "$deb")" >/dev/null
hack=/usr/libexec/xscreensaver/vellicord2
# The package strips what it carries: the build's program, stripped, byte for byte.
installed_from_build() {
  dpkg-deb --fsys-tarfile "$deb" | tar -xO ".$hack" | cmp -s - $hack &&
    strip -o "$home/built-stripped" "$built" && cmp -s "$home/built-stripped" $hack
}
check "the package installs, its hack the one just built" installed_from_build

running() { local state; state=$(ps -o stat= -p "$1") && [ "${state:0:1}" != Z ]; }
# The server picks a free display number itself and writes it once it takes clients.
Xvfb -displayfd 8 -screen 0 1024x768x24 -ac -nolisten tcp 8>"$home/display" >/dev/null 2>&1 &
xvfb=$!
display_written() { grep -qs '^[0-9][0-9]*$' "$home/display"; }
wait_for 10 display_written && running "$xvfb" || { echo "FAIL: no Xvfb"; exit 1; }
export DISPLAY=":$(cat "$home/display")"

# The hacks running on this display (other runs may have theirs on other displays); a process
# that has ended but is not yet reaped doesn't count.
hacks() {
  local p
  for p in $(pgrep -x -r D,R,S,T,t vellicord2); do
    tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qE "^DISPLAY=$DISPLAY(\.0)?$" && echo "$p"
  done
  return 0
}
hack_running() { [ -n "$(hacks)" ]; }
hack_gone() { [ -z "$(hacks)" ]; }
started_by_host() {  # the host's process is an ancestor of the hack
  local p
  p=$(hacks | head -1)
  while [ -n "$p" ] && [ "$p" -gt 1 ]; do
    [ "$p" = "$host_pid" ] && return 0
    p=$(ps -o ppid= -p "$p" | tr -d ' ')
  done
  return 1
}
window=""
# What the host gave it, for the record, and the window it names.
describe() {
  local p parent argv
  p=$(hacks | head -1)
  parent=$(ps -o ppid= -p "$p" | tr -d ' ')
  argv=$(tr '\0' ' ' <"/proc/$p/cmdline")
  window=$(tr '\0' '\n' <"/proc/$p/environ" | sed -n 's/^XSCREENSAVER_WINDOW=//p')
  echo "     started by $(ps -o comm= -p "$parent") (pid $parent): ${argv% }," \
    "XSCREENSAVER_WINDOW=${window:-(unset)}"
  [ "$(readlink "/proc/$p/exe")" = $hack ] && [ -n "$window" ]
}
# The named window shows more than one colour, and a moment later something else: the figure
# drawn and moving, where the host alone would show one still colour.
# (xwd, not import: import looks for the window under the root, and xsecurelock's is not.)
colours_and_digest() { xwd -silent -id "$window" | convert xwd:- -format '%k %#' info: 2>/dev/null; }
draws() {
  local a b
  a=$(colours_and_digest) || return 1
  sleep 0.3
  b=$(colours_and_digest) || return 1
  [ "${a%% *}" -gt 1 ] && [ "${b%% *}" -gt 1 ] && [ "$a" != "$b" ]
}
# The hack runs until the host's end is asked for: one that died before would pass for ended.
end_asked=""
ask_end() {  # ask_end COMMAND...: the hack running when the command is given
  end_asked=""
  hack_running && end_asked=1
  "$@"
}
ends() {  # ends SECONDS HOW: the hack gone within the time, said how
  local start=$SECONDS
  [ -n "$end_asked" ] || { echo "     no hack was running when its end was asked for"; return 1; }
  wait_for "$1" hack_gone || return 1
  echo "     ended: $2, gone within $((SECONDS - start + 1)) s"
}

case $host in
  xscreensaver)
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
    # No answer fails the check: the wait allows for a loaded machine, where 15 s once fell short.
    # A daemon has been seen to stop answering right after "running in process", before it read
    # XInput and before any hack ran: it gets a second start, said in the log, and a daemon that
    # does not answer twice fails.
    for start in first second; do
      as_nobody xscreensaver -no-splash -verbose >"$home/daemon.log" 2>&1 &
      host_pid=$!
      wait_for 30 as_nobody xscreensaver-command -version >/dev/null 2>&1 && break
      cat "$home/daemon.log"
      running "$host_pid" && echo "     $start start: no answer in 30 s" ||
        echo "     $start start: the daemon ended without an answer"
      # runuser passes no signal on: the daemon itself is ended.
      pkill -P "$host_pid" 2>/dev/null || true
      wait "$host_pid" 2>/dev/null || true
      [ $start = second ] && { echo "FAIL: XScreenSaver's daemon, installed, does not answer"; exit 1; }
    done
    as_nobody xscreensaver-command -activate >/dev/null
    check "-activate starts the hack from the package" wait_for 10 hack_running
    check "the daemon started it, and named its window" describe
    check "it draws in the daemon's window" wait_for 5 draws
    check "the daemon started it, not another run" started_by_host
    ask_end as_nobody xscreensaver-command -deactivate >/dev/null
    check "-deactivate ends it and no process is left" ends 5 "xscreensaver-command -deactivate"
    ;;
  mate)
    # What a MATE session sets: MATE's screen saver lists only entries shown in MATE.
    export XDG_CURRENT_DESKTOP=MATE NO_AT_BRIDGE=1 GIO_USE_VFS=local
    gsettings set org.mate.screensaver mode single
    gsettings set org.mate.screensaver themes "['screensavers-vellicord2']"
    # No lock: --deactivate then ends the saver without asking for a password.
    gsettings set org.mate.screensaver lock-enabled false
    mate-screensaver --no-daemon >"$home/daemon.log" 2>&1 &
    host_pid=$!
    wait_for 30 mate-screensaver-command --query >/dev/null 2>&1 ||
      { cat "$home/daemon.log"; echo "FAIL: MATE's screen saver, installed, does not answer on the session bus"; exit 1; }
    mate-screensaver-command --activate >/dev/null
    check "--activate starts the hack from the package's desktop entry" wait_for 10 hack_running
    check "MATE's screen saver started it, and named its window" describe
    # The theme chosen names the package's entry, and MATE runs that entry's command line.
    runs_entry_exec() {
      local exec
      exec=$(sed -n 's/^Exec=//p' /usr/share/applications/screensavers/vellicord2.desktop) &&
        [ -n "$exec" ] && [ "$(tr '\0' ' ' <"/proc/$(hacks | head -1)/cmdline")" = "$exec " ]
    }
    check "it runs with the command line of the theme's desktop entry" runs_entry_exec
    check "it draws in MATE's window" wait_for 5 draws
    check "MATE's screen saver started it, not another run" started_by_host
    ask_end mate-screensaver-command --deactivate >/dev/null
    check "--deactivate ends it and no process is left" \
      ends 5 "mate-screensaver-command --deactivate (MATE sends SIGTERM)"
    ;;
  xsecurelock)
    XSECURELOCK_SAVER=$hack xsecurelock >"$home/daemon.log" 2>&1 &
    host_pid=$!
    check "the locker starts the hack" wait_for 10 hack_running
    decimal_window() { describe && [[ $window =~ ^[0-9]+$ ]]; }
    check "xsecurelock started it, and named its window in decimal" decimal_window
    check "it draws in the locker's window" wait_for 5 draws
    check "xsecurelock started it, not another run" started_by_host
    ask_end kill "$host_pid"
    check "the locker killed, it ends and no process is left" \
      ends 5 "xsecurelock killed by SIGTERM, which it passes to the saver's process group"
    host_pid=""
    ;;
esac
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
