#!/usr/bin/env bash
# Reads the version back from every artefact (both .scr, the installer, the Debian package, its
# changelog and man page, and --version of the programs) and fails where one differs from the
# project's. Without makensis the installer's step does not run; every other one does.
# Usage: versions.sh VERSION SCR32 SCR64 INSTALLER-DIR PACKAGE-DIR PROGRAM...
set -uo pipefail
. "$(dirname "$0")/../support/not_run.sh"
version=$1 scr32=$2 scr64=$3 installers=$4
debs=("$5"/vellicord2_*_amd64.deb)
shift 5
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "FAIL: not one vellicord2_*_amd64.deb: ${debs[*]}"; exit 1; }
deb=${debs[0]}
fail=0
check() {  # what, the version found
  if [ "$2" = "$version" ]; then echo "ok   $1: $2"; else echo "FAIL $1: '$2', not $version"; fail=1; fi
}
# A Windows version record's numbers and texts, as windres decompiles the file's resources; a
# fourth number, 0, is dropped.
record() {  # windres, file, what
  local rc
  rc=$("$1" -J coff -i "$2" -O rc 2>/dev/null)
  local key
  for key in FILEVERSION PRODUCTVERSION; do
    check "$3 $key" "$(sed -n "s/^ *$key \([0-9]*\), \([0-9]*\), \([0-9]*\), 0\$/\1.\2.\3/p" <<<"$rc")"
  done
  for key in FileVersion ProductVersion; do
    check "$3 \"$key\"" "$(sed -n "s/^ *VALUE \"$key\", \"\([^\"]*\)\"\$/\1/p" <<<"$rc" | sed -E 's/^([0-9]+\.[0-9]+\.[0-9]+)\.0$/\1/')"
  done
}
scr() {  # bits, file, windres of those bits
  record "$3" "$2" "$1-bit .scr"
  # The manifest is stored as its text.
  check "$1-bit .scr manifest" \
    "$(grep -ao 'name="Vellicord2.ScreenSaver" version="[0-9.]*"' "$2" | sed 's/.*version="\(.*\)\.0"$/\1/')"
}
scr 32 "$scr32" i686-w64-mingw32-windres
scr 64 "$scr64" x86_64-w64-mingw32-windres

# The installer as makensis named it in its folder: one, of this version.
setups=("$installers"/Vellicord2-*-setup.exe)
if ! command -v makensis >/dev/null; then
  vellicord_not_run "the installer's version: makensis is missing, so the installer was not built" || fail=1
elif [ ${#setups[@]} -ne 1 ] || [ ! -f "${setups[0]}" ]; then
  echo "FAIL not one Vellicord2-*-setup.exe in $installers: ${setups[*]##*/}"
  fail=1
else
  check "installer's file name" "$(basename "${setups[0]}" | sed -n 's/^Vellicord2-\(.*\)-setup\.exe$/\1/p')"
  record i686-w64-mingw32-windres "${setups[0]}" "installer"
fi

check ".deb's Version" "$(dpkg-deb -f "$deb" Version)"
# dpkg's own name for it, from its control fields: what apt and dpkg-name expect.
named=$(dpkg-deb -f "$deb" Package)_$(dpkg-deb -f "$deb" Version)_$(dpkg-deb -f "$deb" Architecture).deb
if [ "$(basename "$deb")" = "$named" ]; then echo "ok   .deb's file name: $named, from its control"
else echo "FAIL .deb's file name $(basename "$deb"), where its control says $named"; fail=1; fi
member() { dpkg-deb --fsys-tarfile "$deb" | tar -xO "./usr/share/$1" | zcat; }
check "changelog" "$(member doc/vellicord2/changelog.gz | sed -n '1s/^vellicord2 (\(.*\)) .*/\1/p')"
check "man page" "$(member man/man6/vellicord2.6.gz | sed -n 's/^\.TH [^"]*"[^"]*" "Vellicord2 \([^"]*\)".*/\1/p')"

for program in "$@"; do
  check "$(basename "$program") --version" "$("$program" --version | sed -n "s/^$(basename "$program") //p")"
done
exit $fail
