#!/bin/sh
# package.sh --sign as an organisation uses it, with a throw-away code-signing
# certificate made here by openssl (its password in VEL_SIGN_PASSWORD) and a
# time-stamping service of our own on 127.0.0.1 (tsa.py): both architectures'
# packages go to a folder of their own, and every program and library they
# carry (in the ZIP, the installer with its uninstaller and plug-ins, the
# MSI), each installer and each MSI must pass osslsigncode verify against that
# certificate, with a SHA-256 digest and a verified time-stamp. A package that
# lacks a file it must carry fails too. Run after the Windows presets are
# built. Ends with "signing: N passed, N failed".
cd "$(dirname "$0")/../.." || exit 1
tmp=$(mktemp -d) && trap 'kill "$tsa" 2>/dev/null; rm -rf "$tmp"' EXIT
# A certificate for code signing and one for time-stamping, each its own issuer.
certificate() { # name, extended key usage
  printf '%s\n' "[req]" "distinguished_name = dn" "x509_extensions = ext" "prompt = no" \
    "[dn]" "CN = VelTouch test $1" "O = Vel" "[ext]" "basicConstraints = critical,CA:FALSE" \
    "keyUsage = critical,digitalSignature" "extendedKeyUsage = $2" >"$tmp/$1.cnf"
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -config "$tmp/$1.cnf" \
    -keyout "$tmp/$1.key" -out "$tmp/$1.pem" 2>/dev/null
}
certificate signer codeSigning && certificate stamper critical,timeStamping &&
  openssl pkcs12 -export -inkey "$tmp/signer.key" -in "$tmp/signer.pem" -passout pass:throw-away \
    -out "$tmp/signer.pfx" || { echo "signing: 0 passed, 1 failed (no certificates)"; exit 1; }
printf '%s\n' "[tsa]" "default_tsa = stamper" "[stamper]" "serial = $tmp/serial" \
  "signer_cert = $tmp/stamper.pem" "signer_key = $tmp/stamper.key" "signer_digest = sha256" \
  "default_policy = 1.2.3.4.1" "digests = sha256" "ess_cert_id_alg = sha256" >"$tmp/tsa.cnf"
echo 01 >"$tmp/serial"
mkfifo "$tmp/port"
python3 tests/packages/tsa.py "$tmp/tsa.cnf" >"$tmp/port" &
tsa=$!
read -r port <"$tmp/port" || { echo "signing: 0 passed, 1 failed (no time-stamping service)"; exit 1; }

passed=0 failed=0
fail() { failed=$((failed + 1)) && echo "FAILED: $*"; }
if ! VEL_SIGN_PASSWORD=throw-away ./package.sh --out "$tmp/out" --sign "$tmp/signer.pfx" \
  --timestamp "http://127.0.0.1:$port" >"$tmp/package.log" 2>&1; then
  fail "package.sh --sign" && sed 's/^/  | /' "$tmp/package.log"
fi

verify() {
  if osslsigncode verify -CAfile "$tmp/signer.pem" -TSA-CAfile "$tmp/stamper.pem" -in "$1" \
    >"$tmp/verify.log" 2>&1 &&
    grep -q "^Message digest algorithm  *: SHA256" "$tmp/verify.log" &&
    grep -q "Subject: /CN=VelTouch test signer" "$tmp/verify.log" &&
    grep -q "^Timestamp Server Signature verification: ok" "$tmp/verify.log"; then
    passed=$((passed + 1))
  else
    fail "osslsigncode verify ${1#"$tmp/"}" && sed 's/^/  | /' "$tmp/verify.log"
  fi
}

# A row: the package (after "VelTouch-<version>-"), how its files come out,
# the files it must carry.
version=$(sed -n 's/^project(VelTouch VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
while read -r package unpack names; do
  package=VelTouch-$version-$package && file=$tmp/out/$package
  case $package in *.exe | *.msi) verify "$file" ;; esac
  dir=$tmp/unpacked/$package
  mkdir -p "$dir"
  case $unpack in
  7z) 7z x -y -o"$dir" "$file" >/dev/null 2>&1 ;;
  msi) msiextract -C "$dir" "$file" >/dev/null 2>&1 ;;
  esac || fail "cannot unpack $package"
  for name in $names; do
    [ -n "$(find "$dir" -name "$name")" ] || fail "$package carries no $name"
  done
  find "$dir" -type f \( -iname '*.exe' -o -iname '*.dll' \) >"$tmp/carried"
  while IFS= read -r carried; do verify "$carried"; done <"$tmp/carried"
done <<'ROWS'
win64.zip 7z VelApp.exe VelCalib.dll velctl.exe
win64-demo-setup.exe 7z VelApp.exe VelCalib.dll velctl.exe SDK.dll Uninstall.exe System.dll
win64.msi msi VelApp.exe VelCalib.dll velctl.exe SDK.dll
win32.zip 7z VelApp.exe VelCalib.dll velctl.exe
win32-demo-setup.exe 7z VelApp.exe VelCalib.dll velctl.exe SDK.dll Uninstall.exe System.dll
win32.msi msi VelApp.exe VelCalib.dll velctl.exe SDK.dll
ROWS
echo "signing: $passed passed, $failed failed"
[ "$failed" = 0 ]
