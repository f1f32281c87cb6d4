#!/usr/bin/env bash
# The installer under Wine, on a 64-bit prefix (the shared one) or a 32-bit prefix of its own:
# a silent install puts the .scr that fits into System32 with its Add/Remove Programs entry and
# a preview that runs; /select makes it the user's saver; installing again leaves one entry;
# the silent uninstall takes the file, the entry and the selection and keeps the settings; the
# elevated part alone selects nothing; a file in use goes at the next restart, its entry and every
# loaded user's selection at once; /D= is honoured, and a relative one refused.
# Usage: installer.sh 32|64 <setup.exe> <driver.exe of those bits> <Vellicord2.scr built> <version>
set -uo pipefail
bits=$1 setup=$2 driver=$3 scr=$4 version=$5
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
desktop='HKCU\Control Panel\Desktop'
fail=0
check() {  # what, then a command that must succeed
  local what=$1; shift
  if "$@" >/dev/null 2>&1; then echo "ok: $what"; else echo "FAIL: $what"; fail=1; fi
}

if [ "$bits" = 32 ]; then
  # A 32-bit Windows: a prefix of its own, gone afterwards.
  tmp=$(mktemp -d)
  export WINEPREFIX=$tmp/prefix WINEARCH=win32
  trap 'wineserver -k 2>/dev/null; rm -rf "$tmp"' EXIT
  wineboot -i >/dev/null 2>&1
  wineserver -w
  view=/reg:32
else
  # The shared 64-bit prefix: its saver settings and saver selection are put back afterwards.
  . "$(dirname "$0")/store_guard.sh"
  vellicord_guard_store
  wine reg export "$desktop" "$(winepath -w "$tmp/desktop.reg")" /y >/dev/null 2>&1
  trap 'wine reg import "$(winepath -w "$tmp/desktop.reg")" >/dev/null 2>&1; vellicord_put_store_back' EXIT
  view=/reg:64
fi
sys32=$WINEPREFIX/drive_c/windows/system32
installed=$sys32/Vellicord2.scr

query() {  # key [value]: the value's data, or nothing
  wine reg query "$1" ${2:+/v "$2"} "$view" 2>/dev/null | tr -d '\r' |
    sed -n "s/^ *${2:-[^ ]*} *REG_[A-Z_]* *//p"
}
entry() { query "$uninstall_key\\Vellicord2" "$1"; }
saver() { query "$desktop" SCRNSAVE.EXE; }
# A key or value that is not there, said by a registry that answers: wine reg failing to start
# would pass for it otherwise. key_absent PARENT SUBKEY VIEW; value_absent KEY VALUE.
key_absent() {
  wine reg query "$1" "$3" >/dev/null 2>&1 && ! wine reg query "$1\\$2" "$3" >/dev/null 2>&1
}
value_absent() {
  local values
  values=$(wine reg query "$1" "$view" 2>/dev/null | tr -d '\r') && [ -n "$values" ] &&
    ! grep -qiE "^ *$2 +REG_" <<<"$values"
}
# Add/Remove Programs' entries named for it, in every registry view (a 32-bit Windows has one).
entries() {
  local v all="" views=(/reg:64 /reg:32)
  [ "$bits" = 32 ] && views=(/reg:32)
  for v in "${views[@]}"; do
    all+=$(wine reg query "$uninstall_key" "$v" 2>/dev/null) || { echo "no answer"; return; }
    all+=$'\n'
  done
  grep -ci 'vellicord' <<<"$all"
}
install() { timeout 120 wine "$setup" /S "$@"; }
# The uninstaller copies itself away and runs from there: wait for the file to go.
wait_gone() {
  for _ in $(seq 100); do [ -e "$1" ] || return 0; sleep 0.3; done
  return 1
}
# Windows keeps the letter case of paths it is given and compares them without it.
is_installed_path() { [ "${1,,}" = 'c:\windows\system32\vellicord2.scr' ]; }

# Nothing left from an earlier run may pass for this one's work.
rm -f "$installed" "$WINEPREFIX/drive_c/windows/syswow64/Vellicord2.scr"
wine reg delete "$uninstall_key\\Vellicord2" /f "$view" >/dev/null 2>&1

echo "== silent install"
wine reg add "$desktop" /v SCRNSAVE.EXE /d 'C:\windows\system32\other.scr' /f >/dev/null 2>&1
install
check "Vellicord2.scr in System32 is the $bits-bit file built" cmp "$installed" "$scr"
if [ "$bits" = 64 ]; then
  check "nothing redirected to SysWOW64" test ! -e "$WINEPREFIX/drive_c/windows/syswow64/Vellicord2.scr"
  check "no entry in the 32-bit registry view" key_absent "$uninstall_key" Vellicord2 /reg:32
fi
check "entry DisplayName" test "$(entry DisplayName)" = Vellicord2
check "entry DisplayVersion $version" test "$(entry DisplayVersion)" = "$version"
check "entry Publisher" test -n "$(entry Publisher)"
icon=$(entry DisplayIcon)
check "entry DisplayIcon $icon: the installed file's icon" is_installed_path "${icon%,0}"
uninstaller=$(entry UninstallString | tr -d '"')
check "entry UninstallString $uninstaller exists" test -f "$(winepath -u "$uninstaller")"
check "entry QuietUninstallString is it with /S" \
  test "$(entry QuietUninstallString)" = "\"$uninstaller\" /S"
size=$(( $(entry EstimatedSize) ))
check "entry EstimatedSize $size KB covers the .scr" test "$size" -ge $(( $(stat -c %s "$scr") / 1024 ))
check "entry NoModify 1" test "$(entry NoModify)" = 0x1
check "entry NoRepair 1" test "$(entry NoRepair)" = 0x1
check "the user's saver left alone" test "$(saver)" = 'C:\windows\system32\other.scr'
echo "== the installed saver's preview"
timeout 120 wine "$driver" preview-runs 'C:\windows\system32\Vellicord2.scr' | tr -d '\r' | grep -v '^ok:'
check "the preview runs in its host" test "${PIPESTATUS[0]}" = 0

echo "== install over the top, with /select"
install /select
check "the user's saver is the installed file" is_installed_path "$(saver)"
check "ScreenSaveActive 1" test "$(query "$desktop" ScreenSaveActive)" = 1
check "one entry in Add/Remove Programs, in either registry view" test "$(entries)" = 1

echo "== silent uninstall"
wine reg add 'HKCU\Vellicord2\Vellicord2' /v Speed /d 3 /f >/dev/null 2>&1
for name in Period BGcolor NumberOfLines WidthOfLines; do
  wine reg add 'HKCU\Vellicord2\Vellicord2' /v $name /d 1 /f >/dev/null 2>&1
done
timeout 120 wine "$uninstaller" /S
check "the file is gone" wait_gone "$installed"
check "the uninstaller is gone" wait_gone "$(winepath -u "$uninstaller")"
check "the entry is gone" key_absent "$uninstall_key" Vellicord2 "$view"
check "the selection is gone" value_absent "$desktop" SCRNSAVE.EXE
check "the five settings stay" test "$(wine reg query 'HKCU\Vellicord2\Vellicord2' 2>/dev/null |
                                       grep -c REG_SZ)" = 5

echo "== another saver selected: the uninstall leaves it"
install
check "installed again: the file" cmp "$installed" "$scr"
check "installed again: its entry" test "$(entry DisplayVersion)" = "$version"
check "installed again: the uninstaller" test -f "$(winepath -u "$uninstaller")"
wine reg add "$desktop" /v SCRNSAVE.EXE /d 'C:\windows\system32\other.scr' /f >/dev/null 2>&1
timeout 120 wine "$uninstaller" /S
check "the file is gone again" wait_gone "$installed"
check "the other saver stays selected" test "$(saver)" = 'C:\windows\system32\other.scr'

echo "== the elevated part alone changes no user's settings"
wine reg delete "$desktop" /v SCRNSAVE.EXE /f >/dev/null 2>&1
timeout 120 wine "$setup" /S /elevated /select
check "the file is installed" cmp "$installed" "$scr"
check "nothing selected" test -z "$(saver)"

echo "== uninstall while the file is in use"
install /select
# Another user logged on with this saver selected (HKU\.DEFAULT stands for that user's hive).
other='HKU\.DEFAULT\Control Panel\Desktop'
wine reg add "$other" /v SCRNSAVE.EXE /d 'C:\Windows\System32\Vellicord2.scr' /f >/dev/null 2>&1
timeout 60 wine "$driver" hold 'C:\windows\system32\Vellicord2.scr' 8000 >/dev/null 2>&1 &
holder=$!
sleep 2
timeout 120 wine "$uninstaller" /S
check "the uninstaller is gone" wait_gone "$(winepath -u "$uninstaller")"
check "the entry is gone at once" bash -c "! wine reg query '$uninstall_key\\Vellicord2' $view"
check "the file in use is still there" test -e "$installed"
pending=$(wine reg query 'HKLM\System\CurrentControlSet\Control\Session Manager' \
            /v PendingFileRenameOperations 2>/dev/null | tr -d '\r')
check "the file goes at the next restart" grep -qi 'system32\\vellicord2\.scr' <<<"$pending"
check "the running user's selection is gone" test -z "$(saver)"
check "the other logged-on user's selection is gone" \
  test -z "$(query "$other" SCRNSAVE.EXE)"
wait $holder
wine reg delete 'HKLM\System\CurrentControlSet\Control\Session Manager' \
  /v PendingFileRenameOperations /f >/dev/null 2>&1
rm -f "$installed"

echo "== /D= names the folder"
install '/D=C:\Vellicord2Here'
check "InstallLocation is the folder given" test "$(entry InstallLocation)" = 'C:\Vellicord2Here'
check "the uninstaller is there" test -f "$WINEPREFIX/drive_c/Vellicord2Here/uninstall.exe"
timeout 120 wine 'C:\Vellicord2Here\uninstall.exe' /S
check "the folder goes with the uninstall" wait_gone "$WINEPREFIX/drive_c/Vellicord2Here"
timeout 120 wine "$setup" /S /D=Vellicord2
check "a relative /D= is refused" test $? -ne 0
check "and installs nothing" test ! -e "$installed"
exit $fail
