#!/usr/bin/env bash
# Installs everything the build and the tests need (Debian 12, as root). Idempotent.
# A mirror in the middle of a sync can fail one index: the update is retried, then the install
# goes on with the indexes it has, and once more with the base release preferred, which takes the
# 32-bit packages and their 64-bit twins at one version.
# Where the kernel starts no 32-bit program, it also brings qemu-user from the release's
# backports, which tools/i386-namespace.sh runs Wine's 32-bit loader with (tools/wine-loader.sh).
set -euo pipefail
cd "$(dirname "$0")"

pkgs=(cmake ninja-build g++ make python3
      g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-i686
      wine wine32:i386 wine64 xvfb xauth x11-utils imagemagick fonts-wqy-zenhei googletest
      clang libclang-rt-14-dev osslsigncode openssl python3-pycdlib p7zip-full)

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

as_root() {
  if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps: missing $*; run as root" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
}

log=$(mktemp)
trap 'rm -f "$log"' EXIT

# update [APT-OPTIONS...]: the package indexes, tried a few times; says how it went.
update() {
  local try
  for try in 1 2 3 4; do
    if apt-get update -qq "$@" >"$log" 2>&1; then
      echo "the package indexes updated"
      return
    fi
    [ "$try" -eq 4 ] || sleep $((try * 5))
  done
  echo "an index still failing after 4 updates ($(grep -m1 -o 'E: .*' "$log" | cut -c1-120))"
}

missing=()
for p in "${pkgs[@]}"; do installed "$p" || missing+=("$p"); done
if [ ${#missing[@]} -gt 0 ]; then
  as_root "packages (${missing[*]})"
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  updated=$(update)
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
fi

# The 32-bit loader: started by the kernel, or through the namespace's handler.
if [ "${SETUP_WINE_ROAD:-}" != qemu ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then exit 0; fi
[ "${SETUP_WINE_ROAD:-}" = wine64 ] && exit 0
bash i386-namespace.sh --check && exit 0
as_root "qemu-user from backports, to run 32-bit programs"
release=$(. /etc/os-release && echo "$VERSION_CODENAME")
# The backports suite from the mirror this machine already takes its release from, with the
# same keys. Only qemu-user: qemu-user-static would bring qemu-user-binfmt, which registers its
# handlers for the whole machine.
list=/etc/apt/sources.list.d/setup-backports.sources
python3 mirror-of-release.py "$release" "$release-backports" >"$list.new"
mv "$list.new" "$list"
updated=$(update -o Dir::Etc::sourcelist="$list" -o Dir::Etc::sourceparts=- -o APT::Get::List-Cleanup=0)
if ! apt-get install -y -qq --no-install-recommends -t "$release-backports" qemu-user >"$log" 2>&1; then
  echo "install-deps: could not install qemu-user from $release-backports ($updated); apt said:" >&2
  tail -n 15 "$log" >&2
  exit 1
fi
echo "install-deps: qemu-user $(dpkg-query -W -f='${Version}' qemu-user) installed from $release-backports"
bash i386-namespace.sh --check ||
  echo "install-deps: 32-bit programs still don't run here; the Wine tests take the x86-64 build" >&2
