#!/usr/bin/env bash
# Signs setup.exe with the maker's code-signing certificate: Authenticode, SHA-256, the
# product's name and a URL in the signature, and an RFC 3161 time stamp when a service is given.
#   sign.sh PROGRAM SIGNED        writes the signed copy of PROGRAM to SIGNED
# From the environment:
#   SETUP_SIGN_PKCS12         the PKCS#12 file (.pfx, .p12) with the certificate, its chain and key
#   SETUP_SIGN_PASSWORD       that file's password (unset or empty: none)
#   SETUP_SIGN_URL            the URL the signature names beside the product (the maker's page)
#   SETUP_SIGN_TIMESTAMP_URL  an RFC 3161 time-stamping service; without one the signature
#                             stops being valid when the certificate expires
# PROGRAM must be the finished build: anything that changes the file after this breaks the
# signature (tools/pe-header.py, which the build runs, refuses a signed file).
set -euo pipefail
if [ $# -ne 2 ]; then
  echo "usage: sign.sh PROGRAM SIGNED (see the top of this file for the environment)" >&2
  exit 2
fi
in=$1 out=$2
root=$(cd "$(dirname "$0")/.." && pwd)
die() { echo "sign: $*" >&2; exit 1; }
[ -n "${SETUP_SIGN_PKCS12:-}" ] || die "set SETUP_SIGN_PKCS12 to the PKCS#12 file of the code-signing certificate"
[ -n "${SETUP_SIGN_URL:-}" ] || die "set SETUP_SIGN_URL to the URL the signature names beside the product"
[ -r "$SETUP_SIGN_PKCS12" ] || die "cannot read $SETUP_SIGN_PKCS12"
command -v osslsigncode >/dev/null || die "osslsigncode is missing (tools/install-deps.sh installs it)"

# The name the version record carries, from the one place it is spelt.
name=$(sed -n 's/^#define SETUP_PRODUCT_NAME_TEXT "\(.*\)"$/\1/p' "$root/src/platform/identity.h")
args=(sign -pkcs12 "$SETUP_SIGN_PKCS12" -h sha256 -n "$name" -i "$SETUP_SIGN_URL")
stamped="with no time stamp: valid only while the certificate is"
if [ -n "${SETUP_SIGN_TIMESTAMP_URL:-}" ]; then
  args+=(-ts "$SETUP_SIGN_TIMESTAMP_URL")
  stamped="time-stamped by $SETUP_SIGN_TIMESTAMP_URL"
fi

log=$(mktemp)
trap 'rm -f "$log"' EXIT
rm -f "$out"
rc=0
# The password goes through a pipe, never on a command line another user could read.
if [ -n "${SETUP_SIGN_PASSWORD:-}" ]; then
  osslsigncode "${args[@]}" -readpass <(printf '%s' "$SETUP_SIGN_PASSWORD") -in "$in" -out "$out" >"$log" 2>&1 || rc=$?
else
  osslsigncode "${args[@]}" -in "$in" -out "$out" >"$log" 2>&1 || rc=$?
fi
if [ $rc -ne 0 ]; then
  rm -f "$out"
  die "osslsigncode could not sign $in:"$'\n'"$(cat "$log")"
fi
echo "sign: $out signed (Authenticode SHA-256, \"$name\", $SETUP_SIGN_URL), $stamped"
