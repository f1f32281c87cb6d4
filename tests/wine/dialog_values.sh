#!/usr/bin/env bash
# The setup dialog's values: loaded from an empty and a filled store, limited as the controls
# limit them, changed through the controls' own messages and written raw on OK; cancel, Esc
# and the close box write nothing; a number value in the store is reported and replaced.
set -uo pipefail
. "$(dirname "$0")/dialog_lib.sh"

put() { printf 'reg-put:%s:1:%s ' "$1" "$(hexz "$2")"; }
open_ok() { drive reg-clear "$@" start:/c dialog state ok exit reg-dump | grep -v '^dialog\|^owner'; }

check "empty store" "state speed=2 period=1 colour=Black number=4 width=1
exit ended=1 owner-enabled=1
$(stored 2 1 Black 4 1)" "$(open_ok)"

# shellcheck disable=SC2046
check "fast, white, lines 0 and 25" "state speed=3 period=2 colour=White number=1 width=10
exit ended=1 owner-enabled=1
$(stored 3 2 White 1 10)" \
  "$(open_ok $(put Speed 9) $(put Period 2) $(put BGcolor White) $(put NumberOfLines 0) \
     $(put WidthOfLines 25))"

# Written in the saver's letters, the values keep them when OK replaces them.
# shellcheck disable=SC2046
check "no speed, empty colour" "state speed=-1 period=0 colour=White number=10 width=1
exit ended=1 owner-enabled=1
$(stored -1 0 White 10 1 | sed 's/NumberOfLines/NumberofLines/; s/Period/period/')" \
  "$(open_ok $(put Speed -5) $(put period 0) $(put BGcolor '') $(put NumberofLines 25) \
     $(put WidthOfLines ' -3'))"

# shellcheck disable=SC2046
check "other colour text, hex and bad numbers" "state speed=1 period=1 colour=White number=4 width=1
exit ended=1 owner-enabled=1
$(stored 1 1 White 4 1)" \
  "$(open_ok $(put Speed '$1') $(put Period '2 ') $(put BGcolor black) $(put NumberOfLines 3a))"

check "every control changed, OK" "state speed=0 period=2 colour=White number=7 width=9
exit ended=1 owner-enabled=1
$(stored 0 2 White 7 9)" \
  "$(drive reg-clear start:/c dialog speed:0 period:2 colour:White number:7 width:9 state ok \
     exit reg-dump | grep -v '^dialog\|^owner')"

check "Enter presses OK" "exit ended=1 owner-enabled=1
$(stored 3 0 Black 10 2)" \
  "$(drive reg-clear start:/c dialog speed:3 period:0 number:10 width:2 enter exit reg-dump \
     | grep -v '^dialog\|^owner')"

# Cancel, Esc and the close box after changing everything: the store byte for byte as before.
# shellcheck disable=SC2046
setup="reg-clear $(put Speed 1) $(put Period 0) $(put BGcolor White) $(put NumberOfLines 5)
  reg-put:WidthOfLines:1:33"
for how in cancel esc close; do
  # shellcheck disable=SC2086
  before=$(drive $setup reg-dump)
  # shellcheck disable=SC2086
  after=$(drive $setup start:/c dialog speed:3 period:2 colour:Black number:9 width:8 $how exit \
    reg-dump | grep '^reg')
  check "$how writes nothing" "$before" "$after"
done

# Every way out gives the activation back to the owner: a dialog hidden while its owner is
# still disabled leaves Windows to activate some other window.
for how in ok cancel close; do
  check "$how leaves the owner active" "exit ended=1 owner-enabled=1
owner active=1" "$(drive start:/c dialog $how exit active | grep -v '^dialog\|^owner foreground')"
done

# Speed stored as a number value: the error box, design values, and OK writes text over it.
check "Speed as REG_DWORD" "errorbox caption='Vellicord2' text=''Speed' のデータ型が不正です.'
state speed=2 period=1 colour=Black number=3 width=4
exit ended=1 owner-enabled=1
$(stored 2 1 Black 3 4)" \
  "$(drive reg-clear reg-put:Speed:4:03000000 "$(put Period 0)" start:/c errorbox dialog state \
     ok exit reg-dump | grep -v '^dialog\|^owner')"
exit $fail
