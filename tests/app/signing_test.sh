#!/usr/bin/env bash
# The signing road with a throw-away certificate made here: tools/sign.sh's signature verifies
# against it and names the product; a byte changed after signing fails verification; the signed
# copy keeps its identity and opens the Launcher under Wine (WINE_TEST: wine-test.sh and prefix).
#   signing_test.sh FOLDER SETUP_EXE IDENTITY_TEST LAUNCHER_TEST WINE_TEST...
set -euo pipefail
work=$1 exe=$2 identity=$3 launcher=$4
shift 4
sign=$(cd "$(dirname "$0")/../.." && pwd)/tools/sign.sh
rm -rf "$work" && mkdir -p "$work" && cd "$work"
fail() { echo "signing_test: $*" >&2; exit 1; }

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Throw-away test signer" -keyout key.pem -out cert.pem \
    -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" 2>/dev/null
openssl pkcs12 -export -inkey key.pem -in cert.pem -out signer.p12 -passout pass:throw-away
SETUP_SIGN_PKCS12=signer.p12 SETUP_SIGN_PASSWORD=throw-away SETUP_SIGN_URL=https://example.invalid/tessovarine \
    bash "$sign" "$exe" setup.exe

report=$(osslsigncode verify -CAfile cert.pem -in setup.exe) || fail "the signed copy does not verify: $report"
for wanted in 'Message digest algorithm *: SHA256' 'Text description: Tessovarine' \
    'URL description: https://example.invalid/tessovarine'; do
    grep -q "$wanted" <<<"$report" || fail "the signature lacks '$wanted'"
done
python3 -c 'b = bytearray(open("setup.exe", "rb").read()); b[0x400] ^= 1; open("changed.exe", "wb").write(b)'
if osslsigncode verify -CAfile cert.pem -in changed.exe >/dev/null 2>&1; then fail "a changed byte still verifies"; fi

export SETUP_TEST_SETUP_EXE=$work/setup.exe
"$@" "$identity"
"$@" "$launcher" --gtest_filter=Launcher.GreetsWithTheProductNameAtItsDesignedPlace
