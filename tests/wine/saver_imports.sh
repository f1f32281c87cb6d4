#!/usr/bin/env bash
# Vellicord2.scr is a 32-bit GUI program that imports only Windows' own DLLs, with its resources.
set -euo pipefail
scr=$1
dump=$(i686-w64-mingw32-objdump -p "$scr")
fail=0
grep -q 'file format pei-i386' <<<"$dump" && echo "ok: PE32 i386" || { echo "FAIL: not PE32"; fail=1; }
grep -qE 'Subsystem\s+0*2\s' <<<"$dump" && echo "ok: GUI subsystem" || { echo "FAIL: not GUI"; fail=1; }
dlls=$(echo "$dump" | sed -n 's/.*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u | tr '\n' ' ')
echo "imports: $dlls"
allowed=' advapi32.dll comctl32.dll gdi32.dll imm32.dll kernel32.dll msvcrt.dll user32.dll winmm.dll '
for d in $dlls; do
  case "$allowed" in *" $d "*) ;; *) echo "FAIL: imports $d"; fail=1 ;; esac
done
grep -qx 'Vellicord2' <(strings -el "$scr") && echo "ok: string resource" || { echo "FAIL: no name string"; fail=1; }
grep -q 'the Vellicord2 authors. MIT License' <(strings -el "$scr") && echo "ok: licence in the version record" ||
  { echo "FAIL: version record names no licence"; fail=1; }
grep -qa 'Microsoft.Windows.Common-Controls' "$scr" && echo "ok: manifest" || { echo "FAIL: no manifest"; fail=1; }
exit $fail
