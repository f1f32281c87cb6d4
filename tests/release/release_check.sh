#!/usr/bin/env bash
# Makes the release of the source tree's last commit twice, from two fresh clones, and checks
# that the two dist/ hold the same bytes, that SHA256SUMS gives the sums of what this script
# makes or finds itself, that the installer and the zip carry the .scr files the release built,
# and that a tree with changes is refused. The second release differs in what release.sh can't
# reset: a deeper folder of another name, another locale, and sources dated ten years apart.
# Usage: release_check.sh SOURCE-DIR
set -uo pipefail
source=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
commit=$(git -C "$source" rev-parse HEAD 2>/dev/null) ||
  exec "$(dirname "$0")/../support/not_run.sh" "$source is no git checkout, and a release is made from a commit"
echo "releasing $commit (changes not committed in $source are not in it)"
fail=0
check() {  # what, then a command that must succeed
  local what=$1; shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; fail=1; fi
}

release() {  # folder, date of the sources, then the environment it runs in
  local dir=$tmp/$1 date=$2; shift 2
  git clone -q --no-checkout "$source" "$dir/clone" && git -C "$dir/clone" checkout -q "$commit" || return 1
  find "$dir/clone" -path "$dir/clone/.git" -prune -o -exec touch -h -d "$date" {} + || return 1
  env "$@" "$dir/clone/scripts/release.sh" "$dir/build" >"$dir/log" 2>&1 || { cat "$dir/log"; return 1; }
}
second=b/a-longer-folder-name/deeper
release a "2001-02-03 04:05" || { echo "FAIL the first release"; exit 1; }
release "$second" "2011-06-15 12:00" LANG=C.UTF-8 LANGUAGE=ja || { echo "FAIL the second release"; exit 1; }
a=$tmp/a/clone/dist b=$tmp/$second/clone/dist
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
build=$tmp/a/build
# The sums of the package and the installer the release's build made, and of the sources as
# git archive gives them here.
sums_are_the_builds() {
  local version sums
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/native/CMakeCache.txt")
  sums=$(cd "$build/native" && sha256sum "installer/Vellicord2-$version-setup.exe" \
    "package/vellicord2_${version}_amd64.deb" | sed 's|  [a-z]*/|  |') || return 1
  sums+=$'\n'$(git -C "$source" archive --format=tar --prefix="vellicord2-$version/" "$commit" |
    gzip -9n | sha256sum | sed "s|-\$|vellicord2-$version.tar.gz|")
  diff <(grep -v windows.zip "$a/SHA256SUMS" | sort) <(sort <<<"$sums")
}
check "SHA256SUMS: the sums of the installer and package built, and of the sources" sums_are_the_builds

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
