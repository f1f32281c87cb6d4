#!/usr/bin/env bash
# The Windows trace tool, run under Wine, prints exactly what the native one prints,
# also when it inherits 53-bit x87 precision.
set -euo pipefail
native=$1 win=$2
fail=0
run_case() {
  local name=$1; shift
  local a b
  a=$("$native" "$@")
  b=$(wine "$win" "$@" | tr -d '\r')
  if [ "$a" != "$b" ]; then
    echo "DIFFER: $name ($*)"; diff <(echo "$a") <(echo "$b") | head -5; fail=1
  else
    echo "same: $name ($(echo "$a" | wc -l) lines)"
  fi
}
run_case defaults --ticks 400
run_case lock-and-release --draws 0.1,0.7,0.25,3,17 --ticks 2500
run_case wrap --clock 2147483640 --ticks 20 --period 2 --lines 31 --bg White
run_case preview --height 112 --period 0 --lines 1 --draws 0.999,0,0.5,5,255 --ticks 300
run_case precision53 --x87-cw 27F --draws 0.3,0.6,0.9,2,100 --ticks 1500
run_case hostile --period 2147483647 --lines -7 --height 0 --ticks 5
[ $fail -eq 0 ] && echo "trace: native and Windows agree"
exit $fail
