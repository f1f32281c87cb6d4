#!/usr/bin/env bash
# Makes the release of the source tree's last commit twice, from two fresh clones in two
# folders at two times (the second under another umask and time zone), and checks that the two
# dist/ hold the same bytes, that SHA256SUMS verifies, that the installer and the zip carry the
# .scr files the release built, and that a tree with changes is refused.
# Usage: release_check.sh SOURCE-DIR
set -uo pipefail
source=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
commit=$(git -C "$source" rev-parse HEAD 2>/dev/null) ||
  { echo "SKIP: $source is no git checkout, and a release is made from a commit"; exit 77; }
echo "releasing $commit (changes not committed in $source are not in it)"
fail=0
check() {  # what, then a command that must succeed
  local what=$1; shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; fail=1; fi
}

release() {  # folder, then the environment it runs in
  local dir=$tmp/$1; shift
  git clone -q --no-checkout "$source" "$dir/clone" && git -C "$dir/clone" checkout -q "$commit" || return 1
  env "$@" "$dir/clone/scripts/release.sh" "$dir/build" >"$dir/log" 2>&1 || { cat "$dir/log"; return 1; }
}
release a || { echo "FAIL the first release"; exit 1; }
(umask 077 && release b TZ=Pacific/Chatham) || { echo "FAIL the second release"; exit 1; }
a=$tmp/a/clone/dist b=$tmp/b/clone/dist
cat "$a/SHA256SUMS"

same_bytes() {
  local name rc=0
  for name in $( (cd "$a" && ls; cd "$b" && ls) | sort -u); do
    cmp -s "$a/$name" "$b/$name" && continue
    rc=1
    [ "$name" = SHA256SUMS ] && continue
    echo "  $name differs in $(cmp -l "$a/$name" "$b/$name" 2>/dev/null | wc -l) bytes; the first" \
      "(offset from 1, first release's byte, second's; bytes in octal):"
    cmp -l "$a/$name" "$b/$name" 2>&1 | head -8 | sed 's/^/    /'
  done
  return $rc
}
check "two releases in two folders: the same files, byte for byte" same_bytes
check "SHA256SUMS names the four artefacts" test "$(awk '{print $2}' "$a/SHA256SUMS" | wc -l)" -eq 4
check "SHA256SUMS verifies" bash -c "cd '$a' && sha256sum --quiet -c SHA256SUMS"

build=$tmp/a/build
carried() {  # zip member, .scr built
  unzip -p "$a"/Vellicord2-*-windows.zip "$1" | cmp -s - "$2"
}
check "the zip's 32-bit .scr is the one built" carried '*/32-bit/Vellicord2.scr' "$build/win/saver/Vellicord2.scr"
check "the zip's 64-bit .scr is the one built" carried '*/64-bit/Vellicord2.scr' "$build/win64/saver/Vellicord2.scr"
check "the zip holds README.txt and LICENSE.txt" \
  bash -c "unzip -Z1 '$a'/Vellicord2-*-windows.zip | grep -qx '.*/README.txt' && unzip -Z1 '$a'/Vellicord2-*-windows.zip | grep -qx '.*/LICENSE.txt'"
check "the installer carries both .scr built" "$(dirname "$0")/../wine/setup_static.sh" \
  "$a"/Vellicord2-*-setup.exe "$build/win/saver/Vellicord2.scr" "$build/win64/saver/Vellicord2.scr"

refused() {
  touch "$tmp/a/clone/uncommitted"
  ! "$tmp/a/clone/scripts/release.sh" >"$tmp/refusal" 2>&1 && grep -q 'uncommitted changes' "$tmp/refusal"
}
check "a tree with uncommitted changes is refused, and says so" refused
exit $fail
