#!/usr/bin/env bash
# The setup dialog at 144 pixels per inch: layout and font grow by half, rounded as MulDiv
# rounds; and a dialog opened at 96 that is told it moved to a 144 monitor (WM_DPICHANGED) lays
# itself out again exactly so. Wine takes the resolution from the user's LogPixels, put back
# afterwards.
set -uo pipefail
. "$(dirname "$0")/dialog_lib.sh"

desktop='HKCU\Control Panel\Desktop'
old=$(wine reg query "$desktop" /v LogPixels 2>/dev/null | tr -d '\r' | awk '/LogPixels/ {print $3}')
put_back() {
  if [ -n "$old" ]; then
    wine reg add "$desktop" /v LogPixels /t REG_DWORD /d "$((old))" /f >/dev/null 2>&1
  else
    wine reg delete "$desktop" /v LogPixels /f >/dev/null 2>&1
  fi
  vellicord_put_store_back
}
trap put_back EXIT
wine reg add "$desktop" /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1

expected=$(cat <<'END'
dialog caption='設定' client=338x596 centred=1 owned=1 owner-enabled=0
Button 'OK' 24,549 111x36
Button 'ｷｬﾝｾﾙ' 206,549 111x36
Button 'The Number of Lines' 15,135 308x101
  Static '1' 36,24 9x18
  Static '10' 276,24 18x18
  msctls_trackbar32 '' 18,42 278x50
Button 'Background Color' 15,464 308x68
  Button 'White' 188,33 87x21
  Button 'Black' 48,33 83x21
Button 'Complexity' 15,377 309x74
  Button 'Low' 8,19 99x51
  Button 'Middle' 107,19 99x51
  Button 'High' 206,19 99x51
Button 'Spped' 15,24 305x93
  Button 'Slow' 8,19 73x70
  Button '' 81,19 73x70
  Button '' 154,19 73x70
  Button 'Fast' 227,19 73x70
Button 'Width of Lines' 15,255 308x101
  Static '1' 36,24 9x18
  Static '10' 276,24 18x18
  msctls_trackbar32 '' 18,42 278x50
trackbar min=1 max=10 line=1 page=2 thumb=30 tics=10 style=54010041
trackbar min=1 max=10 line=1 page=2 thumb=30 tics=10 style=54010041
state speed=2 period=1 colour=Black number=4 width=1
exit ended=1 owner-enabled=1
END
)
check "layout at 144 dpi" "$expected" \
  "$(drive reg-clear start:/c dialog dump trackbars state cancel exit \
     | grep -v '^owner\|caption-bar' | sed 's/ style=.*ex=.*//')"

# Opened at 96 and moved: every control, the trackbars' thumbs and the client as if made at 144.
wine reg add "$desktop" /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
moved=$(drive reg-clear start:/c dialog dpi:144 dialog dump trackbars cancel exit \
  | grep -v '^owner\|caption-bar' | sed 's/ style=.*ex=.*//')
check "laid out again after WM_DPICHANGED to 144" \
  "$(grep -v '^dialog\|^state\|^exit' <<<"$expected")" "$(grep -v '^dialog\|^exit' <<<"$moved")"
check "client after the move" "client=338x596" \
  "$(grep '^dialog' <<<"$moved" | tail -1 | grep -o 'client=[0-9x]*')"

# At 192 every place and size is exactly twice its 96 one, but the buttons of the two radio
# groups, which the group spreads over its own client area; and a dialog opened at 96 and moved
# to a 192 monitor matches one opened there.
dump_at() {  # dpi, then the driver's steps
  wine reg add "$desktop" /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1; shift
  drive reg-clear start:/c dialog "$@" dump cancel exit | grep -E "^ *[A-Za-z_0-9]+ '" |
    grep -v '^dialog' | sed 's/ style=.*ex=.*//'
}
double() { perl -pe 'if (/^(.*\x27 )(.*)$/) { my ($a, $b) = ($1, $2); $b =~ s/(\d+)/$1 * 2/ge; $_ = "$a$b\n" }'; }
radio="^  Button '(Low|Middle|High|Slow|Fast|)' "
at96=$(dump_at 96)
at192=$(dump_at 192)
check "every control dumped" 22 "$(wc -l <<<"$at192")"
check "layout at 192 dpi: twice the 96 one" "$(double <<<"$at96" | grep -vE "$radio")" \
  "$(grep -vE "$radio" <<<"$at192")"
check "laid out again after WM_DPICHANGED to 192" "$at192" "$(dump_at 96 dpi:192 dialog)"
exit $fail
