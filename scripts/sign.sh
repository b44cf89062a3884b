#!/bin/sh
# Signs Windows programs, libraries, installers and Windows Installer packages
# in place with Authenticode (SHA-256 digest), for package.sh --sign.
# usage: sign.sh FILE...
# The certificate and its key come from the environment:
#   VEL_SIGN_CERT           a PKCS#12 file (.pfx/.p12)
#   VEL_SIGN_PASSWORD_FILE  a file whose first line is its password (none: no password)
#   VEL_SIGN_TIMESTAMP      an RFC 3161 time-stamping service's URL (optional)
# A file's modification time is kept, so that packages list it as before.
set -e
[ -n "$VEL_SIGN_CERT" ] || { echo "sign.sh: VEL_SIGN_CERT is not set" >&2; exit 2; }
for file; do
  set -- -pkcs12 "$VEL_SIGN_CERT" -h sha256 -n VelTouch
  [ -z "$VEL_SIGN_PASSWORD_FILE" ] || set -- "$@" -readpass "$VEL_SIGN_PASSWORD_FILE"
  [ -z "$VEL_SIGN_TIMESTAMP" ] || set -- "$@" -ts "$VEL_SIGN_TIMESTAMP"
  if ! out=$(osslsigncode sign "$@" -in "$file" -out "$file.signed" 2>&1); then
    rm -f "$file.signed"
    printf 'sign.sh: cannot sign %s:\n%s\n' "$file" "$out" >&2
    exit 1
  fi
  touch -r "$file" "$file.signed"
  mv "$file.signed" "$file"
done
