#!/usr/bin/env bash
# Signing in the build, end to end, with a throwaway self-signed code-signing
# certificate made here (its key and password live in a temporary folder
# and are deleted at the end):
#  - a missing certificate file, or only one of the two variables, stops
#    configuring with a message that says so;
#  - a signed win32 setup.exe verifies against the certificate (and not
#    against another one), carries the product name as its description, and
#    stops verifying when one byte of its payload changes;
#  - zar lists, tests and extracts the signed file: the same files as the
#    payload archive zar packed into it (taken out by wrestool);
#  - with its signature removed (osslsigncode remove-signature) it is the
#    unsigned build/win32/bin/setup.exe, byte for byte;
#  - a wrong password stops the build with a message that says so and leaves
#    no setup.exe, signed or half-signed;
#  - the password shows nowhere in the configure and build output (`ninja -v`
#    command lines included) nor in the build files;
#  - the signed win32 setup.exe, the file vendors ship, and a signed win64
#    one install under Wine (tests/e2e/walk.cpp's walk, from build/win32 and
#    build/win64, each in a throwaway Wine session).
#   tests/release/signing-test.sh [--no-wine]
# zar and samplegen come ready-built from build/native/bin (HOST_TOOLS=) when
# they are there; the extra builds make only the `setup` target.
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
wine=1
[ "${1:-}" = "--no-wine" ] && wine=0
jobs=${JOBS:-$(nproc)}
hostTools=${HOST_TOOLS:-$root/build/native/bin}
[ -x "$hostTools/zar" ] && [ -x "$hostTools/samplegen" ] || hostTools=""

work=$(mktemp -d /tmp/signing-test.XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

product=$(sed -n 's/^productName=//p' product/product.ini | tr -d '\r')
fileCount=$(sed -n 's/^fileCount=//p' product/product.ini | tr -d '\r')

# --- The certificate: a self-signed code-signing certificate in a PKCS#12
# file whose password is a fresh random text, and a second, unrelated one.
password="sign-$(od -An -N12 -tx1 /dev/urandom | tr -d ' \n')"
wrongPassword="wrong-$(od -An -N12 -tx1 /dev/urandom | tr -d ' \n')"
printf '%s' "$password" >"$work/password"
printf '%s' "$wrongPassword" >"$work/wrong-password"
chmod 600 "$work/password" "$work/wrong-password"
make_cert() {
  openssl req -x509 -newkey rsa:2048 -noenc -days 2 -keyout "$work/$1.key" -out "$work/$1.pem" \
    -subj "/CN=$2" -addext "extendedKeyUsage=codeSigning" \
    -addext "keyUsage=critical,digitalSignature" >/dev/null 2>&1
}
if ! make_cert signer "Varnik Software Test Signing" || ! make_cert other "Someone Else" ||
   ! openssl pkcs12 -export -inkey "$work/signer.key" -in "$work/signer.pem" \
       -out "$work/signer.p12" -passout "file:$work/password" >/dev/null 2>&1; then
  echo "FAIL: openssl cannot make the test certificate"; exit 1
fi
rm -f "$work/signer.key" "$work/other.key"

# configure FOLDER PRESET LOG [-D...]: a build folder of this tree for PRESET.
configure() {
  local dir=$1 preset=$2 log=$3; shift 3
  local extra=(-DBUILD_TESTS=OFF)
  [ -z "$hostTools" ] || extra+=(-DSAMPLE_HOST_TOOLS="$hostTools")
  cmake --preset "$preset" -B "$dir" "${extra[@]}" "$@" >"$log" 2>&1
}
build_setup() {
  local dir=$1 log=$2
  cmake --build "$dir" --target setup -j "$jobs" -v >"$log" 2>&1
}
# One line of text whatever CMake's message wrapping did.
flat() { tr -s ' \n' '  ' <"$1"; }

# osslsigncode as the build calls it, through a wrapper that records every
# command line it is given, so that a password passed as an argument (which
# any user of the machine could read) shows up.
cat >"$work/osslsigncode" <<EOF
#!/bin/sh
printf '%s\n' "\$*" >>"$work/osslsigncode-args.log"
exec "$(command -v osslsigncode)" "\$@"
EOF
chmod +x "$work/osslsigncode"
signing=(-DSETUP_SIGN_PKCS12="$work/signer.p12" -DSETUP_SIGN_PASSWORD_FILE="$work/password"
         -DSETUP_OSSLSIGNCODE="$work/osslsigncode")
w32=$work/win32
exe=$w32/bin/setup.exe

echo "=== configure checks"
if configure "$w32" win32 "$work/config-missing.log" \
     -DSETUP_SIGN_PKCS12="$work/missing.p12" -DSETUP_SIGN_PASSWORD_FILE="$work/password"; then
  fail "a missing PKCS#12 file was accepted"
elif flat "$work/config-missing.log" | grep "SETUP_SIGN_PKCS12: no such file: $work/missing.p12" >/dev/null; then
  pass "a missing PKCS#12 file stops configuring"
else
  fail "a missing PKCS#12 file stops configuring without saying so:"; tail -5 "$work/config-missing.log"
fi
if configure "$w32" win32 "$work/config-half.log" \
     -DSETUP_SIGN_PKCS12="$work/signer.p12" -DSETUP_SIGN_PASSWORD_FILE=""; then
  fail "a certificate without a password file was accepted"
elif flat "$work/config-half.log" | grep "needs both SETUP_SIGN_PKCS12 and SETUP_SIGN_PASSWORD_FILE" >/dev/null; then
  pass "a certificate without a password file stops configuring"
else
  fail "a certificate without a password file stops configuring without saying so"
fi

echo "=== signed win32 build"
if ! configure "$w32" win32 "$work/config-win32.log" "${signing[@]}" ||
   ! build_setup "$w32" "$work/build-win32.log"; then
  tail -30 "$work/config-win32.log" "$work/build-win32.log" 2>/dev/null
  echo "FAIL: the signed win32 build failed"; exit 1
fi
# Kept aside: the wrong-password build below removes the signed file.
cp "$exe" "$work/signed-win32.exe"
zar=${hostTools:-$w32/host/bin}/zar
# The payload archive zar packed into setup.exe, as an independent reader
# (icoutils' wrestool) takes it out of the signed file.
payload=$work/payload.zar
wrestool -x --raw --type=ZAR --name=119 "$exe" >"$payload" 2>"$work/wrestool.log" ||
  { cat "$work/wrestool.log"; fail "wrestool cannot take the payload out of the signed setup.exe"; }

verify() { osslsigncode verify -CAfile "$2" -in "$1" >"$work/verify.log" 2>&1; }
if verify "$exe" "$work/signer.pem" && grep -q "Message digest algorithm *: SHA256" "$work/verify.log" &&
   grep -q "Text description: $product\$" "$work/verify.log"; then
  pass "setup.exe verifies: SHA-256, description \"$product\""
else
  fail "setup.exe does not verify against its certificate:"; cat "$work/verify.log"
fi
if verify "$exe" "$work/other.pem"; then
  fail "setup.exe verifies against a certificate that did not sign it"
else
  pass "setup.exe does not verify against another certificate"
fi

# The payload archive's place in setup.exe: where its bytes stand, whole.
# cmp reads both files itself; a `tail | head` pipe would fail under
# pipefail whenever head closed it before tail had written the rest.
hex() { od -An -v -tx1 "$@" | tr -d ' \n'; }
payloadAt=$(hex "$exe" | grep -ob "$(head -c 64 "$payload" | hex)" |
            while IFS=: read -r at _; do
              [ $((at % 2)) -eq 0 ] && { echo $((at / 2)); break; }
            done)
payloadSize=$(stat -c %s "$payload")
if [ -z "$payloadAt" ] ||
   ! cmp -s -i "$payloadAt:0" -n "$payloadSize" "$exe" "$payload"; then
  fail "the payload archive is not in setup.exe as it was packed"
else
  flip=$((payloadAt + payloadSize / 2))
  cp "$exe" "$work/tampered.exe"
  byte=$(od -An -tu1 -j "$flip" -N1 "$work/tampered.exe" | tr -d ' ')
  printf "$(printf '\\%03o' $((byte ^ 0x01)))" |
    dd of="$work/tampered.exe" bs=1 seek="$flip" conv=notrunc status=none
  if cmp -s "$exe" "$work/tampered.exe"; then
    fail "could not change the payload byte at $flip"
  elif verify "$work/tampered.exe" "$work/signer.pem"; then
    fail "setup.exe with payload byte $flip changed still verifies"
  else
    pass "one payload byte changed (file offset $flip): setup.exe no longer verifies"
  fi
fi

listed=$("$zar" list "$exe" 2>&1 | grep -c .)
if [ "$listed" -eq "$fileCount" ] && "$zar" test "$exe" >/dev/null 2>&1 &&
   "$zar" extract "$exe" "$work/from-setup" >/dev/null 2>&1 &&
   "$zar" extract "$payload" "$work/from-archive" >/dev/null 2>&1 &&
   diff -r "$work/from-setup" "$work/from-archive" >/dev/null &&
   [ "$(find "$work/from-setup" -type f | wc -l)" -eq "$fileCount" ]; then
  pass "zar lists ($listed records), tests and extracts the signed setup.exe"
else
  fail "zar does not read the signed setup.exe as the payload it holds (listed $listed)"
fi

# A signed installer is the unsigned build with a signature appended: with
# the signature removed it is build/win32/bin/setup.exe of this tree byte for
# byte (another build folder, the same sources). This is how anyone checks a
# shipped installer against the sources.
reference=build/win32/bin/setup.exe
if grep -q '^SETUP_SIGN_PKCS12:[A-Z]*=.' build/win32/CMakeCache.txt 2>/dev/null; then
  echo "skipped: build/win32 signs setup.exe, so it is no unsigned reference"
elif ! { cmake --preset win32 >/dev/null 2>&1 &&
         cmake --build --preset win32 --target setup -j "$jobs" >/dev/null 2>&1; }; then
  fail "cannot build the unsigned $reference"
elif ! osslsigncode remove-signature -in "$exe" -out "$work/unsigned.exe" >/dev/null 2>&1; then
  fail "osslsigncode cannot remove the signature of setup.exe"
elif cmp -s "$work/unsigned.exe" "$reference"; then
  pass "without its signature, setup.exe is the unsigned $reference byte for byte"
else
  fail "without its signature, setup.exe differs from the unsigned $reference"
fi

echo "=== wrong password"
if ! configure "$w32" win32 "$work/config-wrong.log" "${signing[@]}" \
       -DSETUP_SIGN_PASSWORD_FILE="$work/wrong-password"; then
  fail "configuring with a wrong password file failed"; tail -5 "$work/config-wrong.log"
elif build_setup "$w32" "$work/build-wrong.log"; then
  fail "a wrong password did not stop the build"
else
  if flat "$work/build-wrong.log" | grep "wrong password in $work/wrong-password" >/dev/null; then
    pass "a wrong password stops the build with a message that says so"
  else
    fail "a wrong password stops the build without saying so:"; tail -20 "$work/build-wrong.log"
  fi
  left=$(find "$w32/bin" -name 'setup*' | tr '\n' ' ')
  if [ -z "$left" ]; then
    pass "no setup.exe is left behind"
  else
    fail "a failed signing left $left"
  fi
fi

# A whole install of a signed setup.exe under Wine: the finish prompt
# (answered No), the exit code setup.exe always ends with, and every file of
# the payload in place.
install_under_wine() {
  local label=$1 setupExe=$2 walk=$3
  bash tests/wine-session.sh wine "$walk" "$setupExe" >"$work/walk-$label.log" 2>&1
  local status=$?
  if [ "$status" -eq 0 ] && grep -q '^Message box "Finish..!"' "$work/walk-$label.log" &&
     grep -q "setup.exe ended with exit code 1" "$work/walk-$label.log" &&
     grep -q "^Installed in .*: $fileCount files" "$work/walk-$label.log"; then
    pass "the signed $label setup.exe verifies and installs $fileCount files under Wine"
  else
    fail "the signed $label setup.exe did not install under Wine (walk status $status):"
    cat "$work/walk-$label.log"
  fi
}

if [ "$wine" -eq 1 ]; then
  echo "=== signed win32 build (the shipped file), installed under Wine"
  if ! cmake --build --preset win32 --target gui_walk -j "$jobs" >"$work/build-walk32.log" 2>&1; then
    tail -30 "$work/build-walk32.log"
    fail "the win32 walk could not be built"
  elif ! verify "$work/signed-win32.exe" "$work/signer.pem"; then
    fail "the signed win32 setup.exe does not verify"
  else
    install_under_wine win32 "$work/signed-win32.exe" build/win32/bin/gui_walk.exe
  fi

  echo "=== signed win64 build, installed under Wine"
  w64=$work/win64
  if ! configure "$w64" win64 "$work/config-win64.log" "${signing[@]}" ||
     ! build_setup "$w64" "$work/build-win64.log" ||
     ! cmake --build --preset win64 --target gui_walk -j "$jobs" >"$work/build-walk.log" 2>&1; then
    tail -30 "$work/config-win64.log" "$work/build-win64.log" "$work/build-walk.log" 2>/dev/null
    fail "the signed win64 build failed"
  elif ! verify "$w64/bin/setup.exe" "$work/signer.pem"; then
    fail "the signed win64 setup.exe does not verify"
  else
    install_under_wine win64 "$w64/bin/setup.exe" build/win64/bin/gui_walk.exe
  fi
fi

echo "=== the password in the output"
found=$(grep -l -F -e "$password" -e "$wrongPassword" "$work"/*.log \
          "$work"/win*/build.ninja "$work"/win*/CMakeCache.txt 2>/dev/null | tr '\n' ' ')
logs=$(ls "$work"/config-*.log "$work"/build-*.log | wc -l)
if [ -n "$found" ]; then
  fail "a password shows in $found"
elif [ ! -s "$work/osslsigncode-args.log" ]; then
  fail "the build did not call osslsigncode through the wrapper"
else
  pass "neither password shows in the $logs configure and build logs, the build files" \
       "or osslsigncode's $(grep -c . "$work/osslsigncode-args.log") command lines"
fi

[ "$failures" -eq 0 ] && echo "signing: all checks passed"
[ "$failures" -eq 0 ]
