#!/usr/bin/env bash
# Builds the Debian package from the native tree and checks what it holds and declares, that
# lintian and desktop-file-validate accept it, and that it comes out the same on another build.
# Without lintian or desktop-file-validate only that step does not run.
# Usage: package_check.sh BUILD-DIR SOURCE-DIR
set -euo pipefail
build=$1 source=$2
license=$source/LICENSE
. "$source/tests/support/not_run.sh"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# pack UMASK: builds the package under that umask and prints its path.
pack() {
  rm -f "$build"/package/vellicord2_*.deb
  (umask "$1" && cd "$build" && cpack -G DEB >/dev/null)
  local debs=("$build"/package/vellicord2_*_amd64.deb)
  [ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "FAIL: no vellicord2_<version>_amd64.deb" >&2; exit 1; }
  echo "${debs[0]}"
}
# A builder whose umask is 077, then the usual 022 a second later.
first=$tmp/first.deb
mv "$(pack 077)" "$first"
sleep 1
deb=$(pack 022)

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
check "the desktop entry in /usr/share/applications/screensavers" \
  has_file usr/share/applications/screensavers/vellicord2.desktop
check "the man page, compressed, in section 6" has_file usr/share/man/man6/vellicord2.6.gz
check "the Wayland program in /usr/bin, executable" \
  grep -qE '^-rwxr-xr-x .* \./usr/bin/vellicord2-wayland$' <<<"$contents"
check "its man page, compressed, in section 6" has_file usr/share/man/man6/vellicord2-wayland.6.gz
check "the copyright file" has_file usr/share/doc/vellicord2/copyright
check "the changelog, compressed" has_file usr/share/doc/vellicord2/changelog.gz
check "nothing else is installed" \
  test "$(grep -c '^-' <<<"$contents")" -eq 8
project_version=$(sed -n 's/^project(Vellicord2 VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")
check "package name, the version of project() in CMakeLists.txt, and this machine's architecture" \
  test "$(field Package) $(field Version) $(field Architecture)" = "vellicord2 $project_version $(dpkg --print-architecture)"
# Computed by dpkg-shlibdeps from the binary, not written by hand.
check "library dependencies computed, with versions" \
  grep -qE '^Depends: .*libc6 \(>= [0-9.]+\).*libwayland-client0 \(>= [0-9.]+\).*libx11-6.*libxext6' <<<"$info"
# Each alternative a package of the archive that runs hacks: one of the hosts x11.host.* run.
recommends_hosts() {
  local alternatives p
  alternatives=$(field Recommends | tr -d ' ' | tr '|' '\n') && [ -n "$alternatives" ] || return 1
  for p in $alternatives; do
    echo "     Recommends $p: $(apt-cache show --no-all-versions "$p" 2>/dev/null | sed -n 's/^Description: //p')"
    [[ " xscreensaver mate-screensaver xsecurelock " == *" $p "* ]] &&
      apt-cache show --no-all-versions "$p" >/dev/null 2>&1 || return 1
  done
}
check "Recommends: hosts that run hacks, known to apt" recommends_hosts

# Times and modes that don't depend on the machine: every time the last commit's (unless the
# build was given SOURCE_DATE_EPOCH), directories rwxr-xr-x whatever the umask, and the same
# bytes in each member. The ar headers' own modes follow the umask (CPack writes them so);
# dpkg reads none of them.
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$source" log -1 --format=%ct)}
stamp=$(date -u -d "@$epoch" '+%Y-%m-%d %H:%M')
times_are_the_commits() { [ "$(awk '{print $4 " " $5}' <<<"$contents" | sort -u)" = "$stamp" ]; }
check "every time in it is the last commit's, $stamp" times_are_the_commits
dirs_755() {
  local dirs
  dirs=$(dpkg-deb -c "$first" | grep '^d') && ! grep -qv '^drwxr-xr-x root/root ' <<<"$dirs"
}
check "directories rwxr-xr-x, root's, when built under umask 077" dirs_755
members_equal() {
  mkdir "$tmp/a" "$tmp/b"
  (cd "$tmp/a" && ar x "$first") && (cd "$tmp/b" && ar x "$deb")
  local m
  for m in debian-binary control.tar.gz data.tar.gz; do cmp -s "$tmp/a/$m" "$tmp/b/$m" || return 1; done
}
check "built a second later under another umask: the same members, byte for byte" members_equal

# Its exit status is 0 only when it ran through and found neither; the tags it found are shown.
if command -v lintian >/dev/null; then
  lintian_rc=0
  lintian --fail-on error,warning -I --pedantic "$deb" >"$tmp/lintian.log" 2>&1 || lintian_rc=$?
  grep -E '^[EWIPX]: ' "$tmp/lintian.log" || true
  check "lintian: no errors and no warnings" test "$lintian_rc" -eq 0
else
  vellicord_not_run "the lint step: no lintian here (scripts/setup.sh installs it)" || failed=$((failed + 1))
fi

root=$tmp/root
dpkg-deb -x "$deb" "$root"
# The licence text in the copyright file is the LICENSE file's, paragraph for paragraph.
sed -n '/^License: Expat$/,$p' "$root/usr/share/doc/vellicord2/copyright" | tail -n +2 |
  sed 's/^ //; s/^\.$//' >"$tmp/license-body"
tail -n +5 "$license" >"$tmp/license-expected"
check "copyright names the authors and carries LICENSE's MIT text" \
  bash -c "grep -q '^Copyright: .*the Vellicord2 authors' '$root/usr/share/doc/vellicord2/copyright' &&
           grep -q 'Copyright (c) .* the Vellicord2 authors' '$license' &&
           diff -q '$tmp/license-body' '$tmp/license-expected' >/dev/null"
stripped() {
  local f sections
  for f in usr/libexec/xscreensaver/vellicord2 usr/bin/vellicord2-wayland; do
    sections=$(readelf -SW "$root/$f") && ! grep -q ' \.symtab ' <<<"$sections" || return 1
  done
}
check "the packaged programs are stripped" stripped
check "the man pages read" bash -c "zcat '$root/usr/share/man/man6/vellicord2.6.gz' | grep -q '^.TH VELLICORD2 6' &&
  zcat '$root/usr/share/man/man6/vellicord2-wayland.6.gz' | grep -q '^.TH VELLICORD2-WAYLAND 6'"

# The changelog: this version, dated by the same time, with no name or time in its gzip header.
changelog=$root/usr/share/doc/vellicord2/changelog.gz
changelog_dated() {
  zcat "$changelog" | head -1 | grep -q "^vellicord2 ($(field Version)) " &&
    zcat "$changelog" | grep -qx " -- .* <.*@.*>  $(date -u -R -d "@$epoch")" &&
    [ "$(od -An -tx1 -j3 -N5 "$changelog" | tr -d ' \n')" = 0000000000 ]
}
check "changelog.gz: this version, the last commit's date, gzip'ed without name or time" changelog_dated

entry=$root/usr/share/applications/screensavers/vellicord2.desktop
entry_valid() {
  desktop-file-validate "$entry" >"$tmp/validate.log" 2>&1 || { cat "$tmp/validate.log"; return 1; }
  ! grep -E ': (error|warning): ' "$tmp/validate.log"
}
if command -v desktop-file-validate >/dev/null; then
  check "desktop-file-validate: no errors and no warnings" entry_valid
else
  vellicord_not_run "the desktop entry's validation: no desktop-file-validate here (scripts/setup.sh installs it)" ||
    failed=$((failed + 1))
fi
# Xfce's screen saver takes an absolute Exec only under the hack folders, reads the settings
# XML of the entry's base name and shows only what OnlyShowIn lets it; MATE's drops entries
# that are Hidden or NoDisplay.
key() { sed -n "s/^$1=//p" "$entry"; }
entry_runs_the_hack() {
  local hack
  hack=/$(grep -oE 'usr/libexec/xscreensaver/[^ ]+$' <<<"$contents")
  [ "$(key Exec)" = "$hack --root" ] && [ "$(key TryExec)" = "$hack" ] &&
    [ -f "$root/usr/share/xscreensaver/config/$(basename "$entry" .desktop).xml" ] &&
    [[ ";$(key OnlyShowIn)" == *";XFCE;"* ]] && [ "$(key Categories)" = "Screensaver;" ] &&
    ! grep -qE '^(Hidden|NoDisplay)=' "$entry"
}
check "the entry: the packaged hack with --root, the XML's base name, shown in Xfce and MATE" \
  entry_runs_the_hack
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
