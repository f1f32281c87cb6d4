#!/usr/bin/env bash
# Makes win32/api/vellicord2.ico: the two drawn-by-hand images (16 and 32 px) kept as they are, and
# the 24, 48 and 256 px ones drawn from the same two ellipses, so the icon stays sharp at 150%
# and 200% scaling and in Explorer's large views. Needs ImageMagick 6; the same inputs give the
# same bytes (no time or name is written).
# Usage: tools/make_icon.sh [icon]   (default win32/api/vellicord2.ico, read and rewritten in place)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
icon=${1:-$root/win32/api/vellicord2.ico}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# The hand-made images are taken back out of the icon, whatever else it holds by now.
for n in $(seq 0 $(( $(identify "$icon" | wc -l) - 1 ))); do
  size=$(identify -format '%w' "$icon[$n]")
  case $size in 16 | 32) convert "$icon[$n]" "$tmp/$size.png" ;; esac
done
[ -f "$tmp/16.png" ] && [ -f "$tmp/32.png" ] || { echo "make_icon.sh: no 16 and 32 px images in $icon" >&2; exit 1; }

# Drawn 8 times larger and scaled down by averaging, which is the antialiasing; the proportions
# are the 32 px image's: a sky-blue ellipse lying down, a pink one standing over it.
draw() {  # size
  local s=$(( $1 * 8 ))
  local c=$(( s / 2 ))
  convert -size "${s}x${s}" xc:black -fill none -strokewidth $(( s * 7 / 100 )) \
    -stroke '#40C0FF' -draw "ellipse $c,$c $(( s * 39 / 100 )),$(( s * 17 / 100 )) 0,360" \
    -stroke '#FF60A0' -draw "ellipse $c,$c $(( s * 16 / 100 )),$(( s * 42 / 100 )) 0,360" \
    -filter box -resize "${1}x${1}" -depth 8 -define png:exclude-chunks=date,time "$tmp/$1.png"
}
for size in 24 48 256; do draw $size; done

# Largest first, as Windows' own icons are ordered; the 256 px image is stored as PNG.
convert "$tmp/256.png" "$tmp/48.png" "$tmp/32.png" "$tmp/24.png" "$tmp/16.png" \
  -depth 8 "$tmp/out.ico"
mv "$tmp/out.ico" "$icon"
identify "$icon"
