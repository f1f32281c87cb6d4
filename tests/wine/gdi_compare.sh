#!/usr/bin/env bash
# RasterSurface against Wine's GDI: the comparison program prints its table and fails when a
# pixel or speed target is missed.
set -euo pipefail
exe=$1
out=$(wine "$exe" | tr -d '\r')
echo "$out"
grep -q "gdi_compare: all targets met" <<<"$out"
