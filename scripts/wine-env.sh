# Sourced by the scripts that run the Windows build: one Wine prefix and one virtual display
# for the whole run, since a prefix's first boot alone takes about ten seconds.
: "${VELLICORD_BUILD:=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build}"
export WINEDEBUG=-all
# Wine turns command lines and file names into Windows text in the Unix locale's encoding: with no
# locale set (a bare container) the Japanese texts the tests pass would arrive mangled. C.UTF-8
# comes with Debian's libc itself, so every Wine run and the prefix's boot use it.
export LC_ALL=C.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX="${WINEPREFIX:-$VELLICORD_BUILD/wineprefix}"

# Whether this machine runs 32-bit x86 programs at all: many kernels and containers are built
# without that emulation, and then wine32 can't start. Asked by running one, a 96-byte static
# i386 ELF that exits with 42, since the architecture's name doesn't tell.
vellicord_kernel_runs_32bit() {
  local probe rc
  probe=$(mktemp)
  printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >"$probe"
  chmod +x "$probe"
  rc=0
  "$probe" 2>/dev/null || rc=$?
  rm -f "$probe"
  [ "$rc" -eq 42 ]
}
# Whether the builds and tests use 32-bit programs: where the kernel runs them, unless
# VELLICORD_ASSUME_NO32=1 plays a machine that runs none (to try the test command's rules for one).
vellicord_runs_32bit() {
  [ "${VELLICORD_ASSUME_NO32:-}" != 1 ] && vellicord_kernel_runs_32bit
}

# The Windows build that runs here, for the scripts that start the saver: the 32-bit product
# where 32-bit programs run, the 64-bit one elsewhere. Sets VELLICORD_WIN and says which.
vellicord_pick_build() {
  if vellicord_runs_32bit && command -v wine >/dev/null && [ -x /usr/lib/wine/wine ]; then
    VELLICORD_WIN=$VELLICORD_BUILD/win
    echo "using the 32-bit build (build/win)" >&2
  else
    VELLICORD_WIN=$VELLICORD_BUILD/win64
    echo "using the 64-bit build (build/win64): this machine runs no 32-bit programs" >&2
  fi
  export VELLICORD_WIN
}

# A virtual display of its own, of the size given (1024x768 when none is), unless one is set
# already and VELLICORD_OWN_DISPLAY isn't 1.
vellicord_start_display() {
  if [ -z "${DISPLAY:-}" ] || [ "${VELLICORD_OWN_DISPLAY:-}" = 1 ]; then
    local n=$(( 90 + RANDOM % 100 ))
    Xvfb ":$n" -screen 0 "${1:-1024x768}x24" -nolisten tcp >/dev/null 2>&1 &
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
