#!/usr/bin/env bash
# Static checks of the installer: a 32-bit GUI program (so one file runs on every Windows) that
# carries both .scr files byte for byte as they were built. Needs no Wine.
# Usage: setup_static.sh <setup.exe> <32-bit Vellicord2.scr> <64-bit Vellicord2.scr>
set -euo pipefail
setup=$1 scr32=$2 scr64=$3
dump=$(i686-w64-mingw32-objdump -p "$setup")
fail=0
check() {  # what, then a command that must succeed
  local what=$1; shift
  if "$@" >/dev/null; then echo "ok: $what"; else echo "FAIL: $what"; fail=1; fi
}
# Whether the file holds the other's bytes at some byte offset: hex texts, a match at an even
# position.
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
carries() {
  xxd -p "$1" | tr -d '\n' >"$tmp/whole"
  xxd -p "$2" | tr -d '\n' >"$tmp/part"
  awk -v a="$tmp/whole" -v b="$tmp/part" \
    'BEGIN { getline whole <a; getline part <b; i = index(whole, part); exit !(i > 0 && i % 2 == 1) }'
}
check "file format pei-i386" grep -q 'file format pei-i386$' <<<"$dump"
check "GUI subsystem" grep -qE 'Subsystem\s+0*2\s' <<<"$dump"
check "carries the 32-bit Vellicord2.scr" carries "$setup" "$scr32"
check "carries the 64-bit Vellicord2.scr" carries "$setup" "$scr64"
exit $fail
