# Sourced by the scripts that change the registry. vellicord_guard_store makes a scratch folder
# in $tmp (or uses the one already there) and, on exit whatever happens, puts the saver's key
# back as it was and deletes every further key named. Usage: vellicord_guard_store ['HKCU\Key' ...]
vellicord_guard_store() {
  tmp=${tmp:-$(mktemp -d)}
  vellicord_scratch_keys=("$@")
  vellicord_store_saved=0
  wine reg export 'HKCU\Vellicord2' "$(winepath -w "$tmp/saved.reg")" /y >/dev/null 2>&1 &&
    vellicord_store_saved=1
  trap vellicord_put_store_back EXIT
}

vellicord_put_store_back() {
  wine reg delete 'HKCU\Vellicord2' /f >/dev/null 2>&1
  [ $vellicord_store_saved = 1 ] && wine reg import "$(winepath -w "$tmp/saved.reg")" >/dev/null 2>&1
  local key
  for key in "${vellicord_scratch_keys[@]}"; do wine reg delete "$key" /f >/dev/null 2>&1; done
  rm -rf "$tmp"
}
