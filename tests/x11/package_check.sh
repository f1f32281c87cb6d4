#!/usr/bin/env bash
# Builds the Debian package from the native tree and checks what it holds and declares.
# Usage: package_check.sh BUILD-DIR LICENSE-FILE
set -euo pipefail
build=$1 license=$2
rm -f "$build"/package/vellicord2_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/package/vellicord2_*_amd64.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "FAIL: no vellicord2_<version>_amd64.deb"; exit 1; }
deb=${debs[0]}
failed=0 passed=0
check() {  # check NAME CONDITION-COMMAND...
  local name=$1; shift
  if "$@"; then passed=$((passed + 1)); echo "ok   $name"
  else failed=$((failed + 1)); echo "FAIL $name"; fi
}
contents=$(dpkg-deb -c "$deb")
info=$(dpkg-deb -f "$deb")
has_file() { grep -qE "^-[rwx-]{9} root/root +[0-9]+ [0-9-]+ [0-9:]+ \./$1\$" <<<"$contents"; }
field() { dpkg-deb -f "$deb" "$1"; }

check "the hack in /usr/libexec/xscreensaver, executable" \
  grep -qE '^-rwxr-xr-x .* \./usr/libexec/xscreensaver/vellicord2$' <<<"$contents"
check "the settings description in /usr/share/xscreensaver/config" \
  has_file usr/share/xscreensaver/config/vellicord2.xml
check "the man page, compressed, in section 6" has_file usr/share/man/man6/vellicord2.6.gz
check "the copyright file" has_file usr/share/doc/vellicord2/copyright
check "nothing else is installed" \
  test "$(grep -c '^-' <<<"$contents")" -eq 4
check "package name, version and architecture" \
  test "$(field Package) $(field Version) $(field Architecture)" = "vellicord2 $(basename "$deb" | cut -d_ -f2) amd64"
# Computed by dpkg-shlibdeps from the binary, not written by hand.
check "library dependencies computed, with versions" \
  grep -qE '^Depends: .*libc6 \(>= [0-9.]+\).*libx11-6.*libxext6' <<<"$info"
check "Recommends: xscreensaver | xsecurelock" test "$(field Recommends)" = "xscreensaver | xsecurelock"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
dpkg-deb -x "$deb" "$tmp"
# The licence text in the copyright file is the LICENSE file's, paragraph for paragraph.
sed -n '/^License: Expat$/,$p' "$tmp/usr/share/doc/vellicord2/copyright" | tail -n +2 |
  sed 's/^ //; s/^\.$//' >"$tmp/license-body"
tail -n +5 "$license" >"$tmp/license-expected"
check "copyright names the authors and carries LICENSE's MIT text" \
  bash -c "grep -q '^Copyright: .*the Vellicord2 authors' '$tmp/usr/share/doc/vellicord2/copyright' &&
           grep -q 'Copyright (c) .* the Vellicord2 authors' '$license' &&
           diff -q '$tmp/license-body' '$tmp/license-expected' >/dev/null"
check "the packaged hack is stripped" bash -c "! file '$tmp/usr/libexec/xscreensaver/vellicord2' | grep -q 'not stripped'"
check "the man page reads" bash -c "zcat '$tmp/usr/share/man/man6/vellicord2.6.gz' | grep -q '^.TH VELLICORD2 6'"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
