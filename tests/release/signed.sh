#!/usr/bin/env bash
# The release of the source tree's last commit made with a signing command and a throwaway
# certificate made here: both .scr in the zip, setup.exe, the .scr inside it and the uninstaller
# it writes must each carry a signature that osslsigncode verifies against that certificate.
# Usage: signed.sh SOURCE-DIR
set -uo pipefail
source=$1
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
trap 'WINEPREFIX=$tmp/prefix wineserver -k 2>/dev/null; rm -rf "$tmp"' EXIT
commit=$(git -C "$source" rev-parse HEAD 2>/dev/null) ||
  exec "$(dirname "$0")/../support/not_run.sh" "$source is no git checkout, and a release is made from a commit"
echo "releasing $commit signed (changes not committed in $source are not in it)"
fail=0
check() {  # what, then a command that must succeed
  local what=$1; shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; fail=1; fi
}

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj '/CN=Vellicord2 throwaway signer' \
  -addext extendedKeyUsage=codeSigning -keyout "$tmp/key.pem" -out "$tmp/cert.pem" 2>/dev/null
git clone -q --no-checkout "$source" "$tmp/clone" && git -C "$tmp/clone" checkout -q "$commit" || exit 1
VELLICORD_SIGN_COMMAND="$here/../../scripts/sign.sh -certs $tmp/cert.pem -key $tmp/key.pem" \
  "$tmp/clone/scripts/release.sh" "$tmp/build" >"$tmp/log" 2>&1 || { cat "$tmp/log"; exit 1; }
dist=$tmp/clone/dist

signed() {
  osslsigncode verify -CAfile "$tmp/cert.pem" -in "$1" >"$tmp/verify" 2>&1 ||
    { grep -E 'No signature|Failed|Error' "$tmp/verify" | head -3; return 1; }
}
mkdir "$tmp/zip" && unzip -q "$dist"/Vellicord2-*-windows.zip -d "$tmp/zip"
check "the zip's 32-bit .scr is signed" signed "$(echo "$tmp"/zip/*/32-bit/Vellicord2.scr)"
check "the zip's 64-bit .scr is signed" signed "$(echo "$tmp"/zip/*/64-bit/Vellicord2.scr)"
setup=$(echo "$dist"/Vellicord2-*-setup.exe)
check "setup.exe is signed" signed "$setup"
check "setup.exe carries the signed .scr files" "$here/../wine/setup_static.sh" "$setup" \
  "$(echo "$tmp"/zip/*/32-bit/Vellicord2.scr)" "$(echo "$tmp"/zip/*/64-bit/Vellicord2.scr)"

# The uninstaller exists only once setup.exe has written it: installed in a prefix of its own.
. "$here/../../scripts/wine-env.sh"
if vellicord_runs_32bit; then
  export WINEPREFIX=$tmp/prefix WINEARCH=win32
  wineboot -i >/dev/null 2>&1
  timeout 120 wine "$setup" /S >/dev/null 2>&1
  check "the uninstaller it writes is signed" signed "$WINEPREFIX/drive_c/Program Files/Vellicord2/uninstall.exe"
else
  echo "not run: the uninstaller's signature: setup.exe is a 32-bit program and this machine runs none"
fi
exit $fail
