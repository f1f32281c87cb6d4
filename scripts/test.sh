#!/usr/bin/env bash
# The test command: installs what it needs, builds every tree, runs every test (native, static
# checks of both .scr files, and the Wine checks against each build this machine can run), and
# ends with the checks that did not run and why. Under CI=true a check that does not run fails,
# but for those needing 32-bit programs on a machine that runs none.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"

# A fresh prefix for every run, booted once and shared by all the Wine tests.
. "$root/scripts/wine-env.sh"
vellicord_runs_32bit ||
  echo "This machine runs no 32-bit programs: the Windows checks run against the 64-bit build," \
    "and the wine32 checks of the 32-bit build are reported as skipped."
vellicord_fresh_session "$root/build/wineprefix"

tests=$root/build/native
rc=0
ctest --test-dir "$tests" --output-on-failure -j "$(nproc)" "$@" 2>&1 | tee "$tests/ctest.out" ||
  rc=$?

# Every check, or step of one, that said "not run: WHY" (LastTest.log holds each test's output
# whole), and what CTest itself left out without a word; then the closing count, on its own line
# at the very end, where a skipped check counts as neither passed nor failed.
awk '
  FNR == 1 { file++ }
  file == 1 && /^[0-9]+\/[0-9]+ Test: / { name = $3 }
  file == 1 && /^not run: / { sub(/^not run: /, ""); why[name] = why[name] "\n  " name ": " $0 }
  file == 2 && /^(Failed test dependencies|Unable to find|Required fixture)/ { cause = $0 }
  file == 2 && /\*\*\*Not Run/ {
    t = $0; sub(/^.*Test +#[0-9]+: /, "", t); sub(/ \.+.*$/, "", t); said[t] = cause
  }
  file == 2 && /^The following tests (did not run|FAILED):$/ { section = $4 }
  file == 2 && section && /^\t *[0-9]+ - / {
    t = $0; sub(/^\t *[0-9]+ - /, "", t); state = t; sub(/ \([^(]*\)$/, "", t)
    sub(/^.* \(/, "", state); sub(/\)$/, "", state)
    if (section == "FAILED:") failed[t] = 1
    else skipped++
    if (state ~ /^(Not Run|Skipped|Disabled)$/ && !(t in why))
      why[t] = "\n  " t ": " state ", " (said[t] != "" ? said[t] : "with no reason given")
  }
  file == 2 && /tests passed, [0-9]+ tests? failed out of/ { nfailed = $4; total = $NF }
  END {
    n = 0
    for (t in why) n++
    print "\nChecks that did not run: " (n ? n : "none")
    for (t in why) print substr(why[t], 2) (t in failed ? " (counted as failed)" : "") | "sort"
    close("sort")
    if (total != "") print total - nfailed - skipped " passed, " nfailed " failed"
  }' "$tests/Testing/Temporary/LastTest.log" "$tests/ctest.out"
exit "$rc"
