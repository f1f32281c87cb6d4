# Sourced by the scripts that run the Windows build: one Wine prefix and one virtual display
# for the whole run, since a prefix's first boot alone takes about ten seconds.
: "${VELLICORD_BUILD:=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX="${WINEPREFIX:-$VELLICORD_BUILD/wineprefix}"

vellicord_start_display() {
  if [ -z "${DISPLAY:-}" ] || [ "${VELLICORD_OWN_DISPLAY:-}" = 1 ]; then
    local n=$(( 90 + RANDOM % 100 ))
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    VELLICORD_XVFB_PID=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do xdpyinfo -display "$DISPLAY" >/dev/null 2>&1 && break; sleep 0.1; done
  fi
}

vellicord_stop_display() {
  wineserver -k 2>/dev/null || true
  [ -n "${VELLICORD_XVFB_PID:-}" ] && kill "$VELLICORD_XVFB_PID" 2>/dev/null || true
}

vellicord_boot_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
  fi
  vellicord_font_replacements
  wineserver -w
}

# The setup dialog asks for "ＭＳ Ｐゴシック", which a Linux box lacks: Wine's font replacement
# maps it to IPA's proportional Gothic so the Japanese captions still show. regedit reads a
# UTF-16 file only with its byte-order mark.
vellicord_font_replacements() {
  local reg="$WINEPREFIX/vellicord-fonts.reg"
  { printf '\xff\xfe'
    printf 'Windows Registry Editor Version 5.00\r\n\r\n%s\r\n%s\r\n%s\r\n' \
      '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
      '"ＭＳ Ｐゴシック"="IPAPGothic"' '"ＭＳ ゴシック"="IPAGothic"' | iconv -f UTF-8 -t UTF-16LE
  } >"$reg"
  wine regedit /S "$reg" >/dev/null 2>&1 || true
  # Captions are drawn in the system's Tahoma, which has no Japanese: link IPA's to it.
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
    /v Tahoma /t REG_MULTI_SZ /d 'ipagp.ttf,IPAPGothic' /f >/dev/null 2>&1 || true
}

# A whole run on a prefix of its own, made afresh, and a virtual display of its own; both are
# stopped when the calling script exits.
vellicord_fresh_session() {
  export WINEPREFIX=$1
  rm -rf "$WINEPREFIX"
  VELLICORD_OWN_DISPLAY=1 vellicord_start_display
  trap vellicord_stop_display EXIT
  vellicord_boot_prefix
}
