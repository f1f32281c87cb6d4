# Shared by the setup dialog's Wine checks: the driver, expected-output comparison, and putting
# the saver's registry key back as it was whatever happens.
driver=$1 scr=$2
fail=0
. "$(dirname "${BASH_SOURCE[0]}")/store_guard.sh"
vellicord_guard_store

drive() { wine "$driver" "$scr" "$@" 2>&1 | tr -d '\r'; }

# The hex of a text and its terminating zero, as the store writes it.
hexz() { printf '%s' "$1" | od -An -tx1 | tr -d ' \n'; echo 00; }

# The five values as OK leaves them, in the registry's listing order.
stored() {
  printf 'reg BGcolor type=1 size=%d hex=%s\n' $((${#3} + 1)) "$(hexz "$3")"
  printf 'reg NumberOfLines type=1 size=%d hex=%s\n' $((${#4} + 1)) "$(hexz "$4")"
  printf 'reg Period type=1 size=%d hex=%s\n' $((${#2} + 1)) "$(hexz "$2")"
  printf 'reg Speed type=1 size=%d hex=%s\n' $((${#1} + 1)) "$(hexz "$1")"
  printf 'reg WidthOfLines type=1 size=%d hex=%s\n' $((${#5} + 1)) "$(hexz "$5")"
}

check() {
  local name=$1 expected=$2 actual=$3
  if [ "$expected" = "$actual" ]; then
    echo "ok: $name"
  else
    echo "FAIL: $name"
    diff <(echo "$expected") <(echo "$actual") | head -40
    fail=1
  fi
}
