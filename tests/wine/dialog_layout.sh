#!/usr/bin/env bash
# The setup dialog as configure mode shows it: owner disabled and enabled again, every control's
# class, text, place and style, the track bars, the tab order, and each configure switch.
set -uo pipefail
. "$(dirname "$0")/dialog_lib.sh"

expected=$(cat <<'END'
owner foreground=1
dialog caption='設定' client=225x397 centred=1 owned=1 owner-enabled=0
dialog caption-bar=1 sysmenu=1 minimize=0 maximize=0 thickframe=0
Button 'OK' 16,366 74x24 style=54010001 ex=00000000
Button 'ｷｬﾝｾﾙ' 137,366 74x24 style=54010000 ex=00000000
Button 'The Number of Lines' 10,90 205x67 style=54000007 ex=00010000
  Static '1' 24,16 6x12 style=54000080 ex=00000000
  Static '10' 184,16 12x12 style=54000080 ex=00000000
  msctls_trackbar32 '' 12,28 185x33 style=54010041 ex=00000000
Button 'Background Color' 10,309 205x45 style=54000007 ex=00010000
  Button 'White' 125,22 58x14 style=54020009 ex=00000000
  Button 'Black' 32,22 55x14 style=54010009 ex=00000000
Button 'Complexity' 10,251 206x49 style=54000007 ex=00010000
  Button 'Low' 8,13 65x32 style=54020009 ex=00000000
  Button 'Middle' 73,13 65x32 style=54010009 ex=00000000
  Button 'High' 138,13 65x32 style=54000009 ex=00000000
Button 'Spped' 10,16 203x62 style=54000007 ex=00010000
  Button 'Slow' 8,13 48x45 style=54020009 ex=00000000
  Button '' 56,13 48x45 style=54000009 ex=00000000
  Button '' 104,13 48x45 style=54010009 ex=00000000
  Button 'Fast' 152,13 48x45 style=54000009 ex=00000000
Button 'Width of Lines' 10,170 205x67 style=54000007 ex=00010000
  Static '1' 24,16 6x12 style=54000080 ex=00000000
  Static '10' 184,16 12x12 style=54000080 ex=00000000
  msctls_trackbar32 '' 12,28 185x33 style=54010041 ex=00000000
trackbar min=1 max=10 line=1 page=2 thumb=20 tics=10 style=54010041
trackbar min=1 max=10 line=1 page=2 thumb=20 tics=10 style=54010041
tabs 'OK' 'ｷｬﾝｾﾙ' TBNumber 'Black' PeriodBox[1] SpeedBox[2] TBwidth 'OK' 'ｷｬﾝｾﾙ'
state speed=2 period=1 colour=Black number=4 width=1
exit ended=1 owner-enabled=1
reg (no section)
END
)
check "layout, tab order and owner" "$expected" \
  "$(drive reg-clear start:/c dialog dump trackbars tabs state cancel exit reg-dump)"

# Every configure switch opens the dialog without the saver's loop and ends with it.
for switch in "" /C /c:1234 -c; do
  check "switch '$switch'" "owner foreground=1
dialog caption='設定' client=225x397 centred=1 owned=1 owner-enabled=0
exit ended=1 owner-enabled=1" "$(drive start:$switch dialog esc exit | grep -v caption-bar)"
done
exit $fail
