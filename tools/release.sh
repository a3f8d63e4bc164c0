#!/usr/bin/env bash
# Builds a release of the commit checked out, from a clean tree in a fresh build folder:
#   build/release/setup.exe   signed when SETUP_SIGN_PKCS12 names a certificate (tools/sign.sh
#                             tells the rest of the environment), unsigned otherwise
#   build/release/SHA256SUMS  its SHA-256, as `sha256sum -c SHA256SUMS` checks it
# Only committed files go in: the tree is exported from git, so changes not committed stay out.
set -euo pipefail
# A certificate named from where the command was started.
[ -z "${SETUP_SIGN_PKCS12:-}" ] || SETUP_SIGN_PKCS12=$(realpath -m "$SETUP_SIGN_PKCS12")
cd "$(dirname "$0")/.."
root=$PWD
bash tools/install-deps.sh

commit=$(git rev-parse --verify HEAD)
out=$root/build/release
work=$root/build/release-work
rm -rf "$out" "$work"
mkdir -p "$out" "$work/src"
git archive "$commit" | tar -x -C "$work/src"
if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
  echo "release: the checkout has changes not committed; they are not in this release"
fi

echo "== release: setup.exe of commit $commit"
(cd "$work/src" && cmake --preset win32 -B "$work/build" -DBUILD_TESTING=OFF >/dev/null)
cmake --build "$work/build" --target setup
exe=$work/build/setup.exe
bash "$work/src/tools/check-pe.sh" "$exe" "$work/src" "$work/build"

if [ -n "${SETUP_SIGN_PKCS12:-}" ]; then
  bash "$work/src/tools/sign.sh" "$exe" "$out/setup.exe"
  state="signed"
else
  cp "$exe" "$out/setup.exe"
  state="NOT SIGNED: no certificate was given (SETUP_SIGN_PKCS12); Windows will name an unknown publisher"
fi
(cd "$out" && sha256sum setup.exe >SHA256SUMS)
echo "release: $out/setup.exe, $state"
echo "release: $out/SHA256SUMS: $(cut -d' ' -f1 "$out/SHA256SUMS")"
