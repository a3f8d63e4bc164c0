#!/usr/bin/env bash
# Installs everything the build and the tests need (Debian 12, as root). Idempotent.
# A mirror in the middle of a sync can fail one index: the update is retried, then the install
# goes on with the indexes it has, and once more with the base release preferred, which takes the
# 32-bit packages and their 64-bit twins at one version.
set -euo pipefail

pkgs=(cmake ninja-build g++ make python3
      g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-i686
      wine wine32:i386 wine64 xvfb xauth x11-utils imagemagick fonts-wqy-zenhei googletest
      clang libclang-rt-14-dev osslsigncode openssl)

missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: missing packages (${missing[*]}); run as root" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386

log=$(mktemp)
trap 'rm -f "$log"' EXIT
updated="the package indexes updated"
for try in 1 2 3 4; do
  if apt-get update -qq >"$log" 2>&1; then break; fi
  if [ "$try" -eq 4 ]; then
    updated="an index still failing after 4 updates ($(grep -m1 -o 'E: .*' "$log" | cut -c1-120))"
    break
  fi
  sleep $((try * 5))
done

install() { apt-get install -y -qq --no-install-recommends "$@" "${missing[@]}" >"$log" 2>&1; }
if install; then
  echo "install-deps: ${#missing[@]} packages installed, $updated"
elif release=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}") && install -t "$release"; then
  echo "install-deps: ${#missing[@]} packages installed from $release preferred, $updated"
else
  echo "install-deps: could not install ${missing[*]} ($updated); apt said:" >&2
  tail -n 15 "$log" >&2
  exit 1
fi
