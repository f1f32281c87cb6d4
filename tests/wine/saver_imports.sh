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
# Known DLLs only, and COMCTL32, which the manifest redirects to the side-by-side store: any
# other DLL imported at load time would be searched for in the folder the .scr was started from.
allowed=' advapi32.dll comctl32.dll gdi32.dll imm32.dll kernel32.dll msvcrt.dll user32.dll '
for d in $dlls; do
  case "$allowed" in *" $d "*) ;; *) echo "FAIL: imports $d"; fail=1 ;; esac
done
# The program reads no environment variable of its own (the C runtime takes the block whole).
grep -q "GetEnvironmentVariable" <<<"$dump" && { echo "FAIL: reads the environment"; fail=1; } || echo "ok: reads no environment variable"
grep -qx 'Vellicord2' <(strings -el "$scr") && echo "ok: string resource" || { echo "FAIL: no name string"; fail=1; }
grep -qa 'Microsoft.Windows.Common-Controls' "$scr" && echo "ok: manifest" || { echo "FAIL: no manifest"; fail=1; }
grep -qa 'level="asInvoker"' "$scr" && echo "ok: runs as invoker" || { echo "FAIL: no trustInfo"; fail=1; }
grep -qa 'supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"' "$scr" \
  && echo "ok: supportedOS up to Windows 10 and 11" || { echo "FAIL: no supportedOS"; fail=1; }
exit $fail
