#!/bin/sh
# package.sh --sign as an organisation uses it, with a throw-away code-signing
# certificate made here by openssl (its password in VEL_SIGN_PASSWORD): both
# architectures' packages go to a folder of their own, and every program and
# library they carry (in the ZIP, the installer with its uninstaller and
# plug-ins, the MSI), each installer and each MSI must pass osslsigncode verify
# against that certificate, with a SHA-256 digest. A package that lacks a file
# it must carry fails too. Run after the Windows presets are built.
# Ends with "signing: N passed, N failed".
cd "$(dirname "$0")/../.." || exit 1
tmp=$(mktemp -d) && trap 'rm -rf "$tmp"' EXIT
cat >"$tmp/signer.cnf" <<'EOF'
[req]
distinguished_name = dn
x509_extensions = ext
prompt = no
[dn]
CN = VelTouch test signer
O = Vel
[ext]
basicConstraints = critical,CA:FALSE
keyUsage = critical,digitalSignature
extendedKeyUsage = codeSigning
subjectKeyIdentifier = hash
EOF
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -config "$tmp/signer.cnf" \
  -keyout "$tmp/key.pem" -out "$tmp/cert.pem" 2>/dev/null &&
  openssl pkcs12 -export -inkey "$tmp/key.pem" -in "$tmp/cert.pem" -passout pass:throw-away \
    -out "$tmp/signer.pfx" || { echo "signing: 0 passed, 1 failed (no certificate)"; exit 1; }

passed=0 failed=0
fail() { failed=$((failed + 1)) && echo "FAILED: $*"; }
if ! VEL_SIGN_PASSWORD=throw-away ./package.sh --out "$tmp/out" --sign "$tmp/signer.pfx" >"$tmp/package.log" 2>&1; then
  fail "package.sh --sign" && sed 's/^/  | /' "$tmp/package.log"
fi

verify() {
  if osslsigncode verify -CAfile "$tmp/cert.pem" -in "$1" >"$tmp/verify.log" 2>&1 &&
    grep -q "^Message digest algorithm  *: SHA256" "$tmp/verify.log" &&
    grep -q "Subject: /CN=VelTouch test signer" "$tmp/verify.log"; then
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
