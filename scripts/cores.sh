#!/usr/bin/env bash
# The machine's cores as one lock, shared by every checkout and helper on it: a timed check holds
# it alone, builds and long untimed runs share it. CTest's RUN_SERIAL sees only its own run.
# Sourced for VELLICORD_CORE_LOCK and vellicord_cores; run as cores.sh alone|shared COMMAND...
: "${VELLICORD_CORE_LOCK:=/tmp/vellicord2.cores.lock}"
# Long enough for another checkout's build of one tree.
: "${VELLICORD_CORE_WAIT:=900}"

# Whether a process this one runs under holds the lock already (`flock LOCK ctest ...` by hand):
# asking again would wait for itself.
vellicord_cores_held() {
  local inode p holders
  inode=$(stat -c %i "$VELLICORD_CORE_LOCK" 2>/dev/null) || return 1
  holders=" $(awk -v i="$inode" '$2 == "FLOCK" && $6 ~ ":" i "$" { print $5 }' /proc/locks | tr '\n' ' ')"
  p=$$
  while [ "$p" -gt 1 ]; do
    [[ $holders == *" $p "* ]] && return 0
    p=$(awk '{ print $4 }' "/proc/$p/stat" 2>/dev/null) || return 1
  done
  return 1
}

# vellicord_cores alone|shared COMMAND...: runs the command holding the lock. -o keeps the lock
# out of the command's own children, so a server it leaves behind can't hold it on.
vellicord_cores() {
  local mode=-x rc=0
  [ "$1" = shared ] && mode=-s
  shift
  if vellicord_cores_held; then
    "$@"
    return
  fi
  flock "$mode" -o -w "$VELLICORD_CORE_WAIT" -E 75 "$VELLICORD_CORE_LOCK" "$@" || rc=$?
  [ "$rc" -eq 75 ] && echo "cores.sh: $VELLICORD_CORE_LOCK still held after $VELLICORD_CORE_WAIT s" >&2
  return "$rc"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  vellicord_cores "$@"
fi
