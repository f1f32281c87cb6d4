#!/usr/bin/env bash
# The folders say which program a file serves: Windows' system headers only under win32/api/,
# X11's only under x11/, Wayland's only under wayland/, and a file named for a host only in a
# folder of that host (the tools' benchmark programs apart). Usage: layout.sh SOURCE_DIR
set -uo pipefail
cd "$1"
product=$(find engine common settings win32 x11 wayland -type f 2>/dev/null)
named=$(find . \( -name .git -o -name build -o -name dist \) -prune -o -type f -print)
bad=$(
  grep -lE '#\s*include\s*<(windows|windowsx|commctrl|imm|wtsapi32)\.h>' $product | grep -v '^win32/api/'
  grep -lE '#\s*include\s*<X11/' $product | grep -v '^x11/'
  grep -lE '#\s*include\s*<wayland-' $product | grep -v '^wayland/'
  grep -E '/[^/]*win32[^/]*$' <<<"$named" | grep -v '/win32/'
  grep -E '/[^/]*x11[^/]*$' <<<"$named" | grep -vE '/x11/|^\./tools/'
)
[ -z "$bad" ] || { echo "in no folder of its host:"; echo "$bad"; exit 1; }
echo "every file in a folder of its host"
