#!/usr/bin/env bash
# Static checks of one Vellicord2.scr: its PE kind (32 or 64 bits), GUI subsystem, imports of
# Windows' own DLLs only, its resources and its size. Needs no Wine.
# Usage: saver_imports.sh 32|64 Vellicord2.scr
set -euo pipefail
bits=$1 scr=$2
case $bits in
  32) tool=i686-w64-mingw32 format=pei-i386 magic='010b' arch=x86 ;;
  64) tool=x86_64-w64-mingw32 format=pei-x86-64 magic='020b' arch=amd64 ;;
esac
dump=$("$tool-objdump" -p "$scr")
resources=$("$tool-windres" -i "$scr" -O rc)
fail=0
check() {  # what, then a command that must succeed
  local what=$1; shift
  if "$@" >/dev/null; then echo "ok: $what"; else echo "FAIL: $what"; fail=1; fi
}
check "file format $format" grep -q "file format $format\$" <<<"$dump"
check "optional header magic $magic" grep -qE "^Magic\s+$magic" <<<"$dump"
check "GUI subsystem" grep -qE 'Subsystem\s+0*2\s' <<<"$dump"
dlls=$(echo "$dump" | sed -n 's/.*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u | tr '\n' ' ')
echo "imports: $dlls"
# Known DLLs only, and COMCTL32, which the manifest redirects to the side-by-side store: any
# other DLL imported at load time would be searched for in the folder the .scr was started from.
allowed=' advapi32.dll comctl32.dll gdi32.dll imm32.dll kernel32.dll msvcrt.dll user32.dll '
for d in $dlls; do
  case "$allowed" in *" $d "*) ;; *) echo "FAIL: imports $d"; fail=1 ;; esac
done
# The program reads no environment variable of its own (the C runtime takes the block whole).
check "reads no environment variable" bash -c '! grep -q GetEnvironmentVariable' <<<"$dump"
check "name string 1 \"Vellicord2\"" grep -qE '^\s*1, "Vellicord2"' <<<"$resources"
# Type 24 is the manifest.
for type in 'icon' 'group icon' 'version' '24'; do
  check "resource type $type" grep -q "Type: $type\$" <<<"$resources"
done
# Each group-icon entry starts with its width, as an octal escape (0 stands for 256).
sizes=$(sed -n '/RT_GROUP_ICON/,/^END/p' <<<"$resources" | grep -oE '^\s*"\\[0-7]{3}' |
  grep -oE '[0-7]{3}' | while read -r o; do w=$((8#$o)); echo $((w ? w : 256)); done | sort -n | tr '\n' ' ')
echo "icon sizes: $sizes"
check "icon in 16, 24, 32, 48 and 256 px" test "$sizes" = "16 24 32 48 256 "
# The tick counters are the test build's: the product makes no named section.
check "no tick-counter section" bash -c "! grep -qaP 'T\x00i\x00c\x00k\x00C\x00o\x00u\x00n\x00t\x00e\x00r\x00s\x00' '$scr'"
check "no file mapping made" bash -c '! grep -q CreateFileMapping' <<<"$dump"
check "version record names the licence" grep -q 'LegalCopyright.*the Vellicord2 authors. MIT License' <<<"$resources"
check "manifest asks for common controls 6" grep -qa 'Microsoft.Windows.Common-Controls' "$scr"
# Windows refuses to start a program whose manifest names another architecture than its own.
identity=$(grep -ao '<assemblyIdentity type="win32" name="Vellicord2.ScreenSaver"[^>]*>' "$scr" || true)
echo "manifest identity: $identity"
check "manifest names architecture $arch" grep -q "processorArchitecture=\"$arch\"" <<<"$identity"
size=$(stat -c %s "$scr")
check "size $size bytes, under 320 KB" test "$size" -lt 327680
check "manifest runs it as invoker" grep -qa 'level="asInvoker"' "$scr"
check "manifest names the systems up to Windows 10 and 11" \
  grep -qa 'supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"' "$scr"
exit $fail
