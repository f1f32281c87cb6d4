#!/usr/bin/env bash
# Signs a Windows program in place with osslsigncode, SHA-256: a signing command for
# VELLICORD_SIGN_COMMAND on a Linux build machine (osslsigncode writes a new file, the build wants
# the one it names signed). Every option but the last argument goes to `osslsigncode sign`.
# Usage: sign.sh (-pkcs12 FILE.pfx [-readpass FILE] | -certs CERT.pem -key KEY.pem) [-ts URL] FILE
set -euo pipefail
[ $# -ge 2 ] || { sed -n 's/^# Usage: //p' "$0" >&2; exit 2; }
file=${!#}
# osslsigncode won't write over a file, even an empty one: a folder of its own beside the file.
dir=$(mktemp -d "$(dirname "$file")/.sign.XXXXXX")
trap 'rm -rf "$dir"' EXIT
out=$dir/signed
osslsigncode sign -h sha256 -n Vellicord2 "${@:1:$#-1}" -in "$file" -out "$out" >/dev/null
chmod --reference="$file" "$out"
mv "$out" "$file"
