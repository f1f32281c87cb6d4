#!/usr/bin/env bash
# RasterSurface against Wine's GDI: the comparison program prints its table and fails when a
# pixel or speed target is missed. The table is shown whatever the outcome.
set -uo pipefail
exe=$1
out=$(wine "$exe" | tr -d '\r')
rc=$?
echo "$out"
grep -q "gdi_compare: all targets met" <<<"$out" || rc=1
exit "$rc"
