# Sourced by the Wine scripts. Some machines run no 32-bit Linux programs at all (their kernel
# refuses the wine32 loader with "Exec format error"): there Wine runs 64-bit programs only,
# through the wine64 loader, and the tests run on the x86-64 build (tools/test.sh).
wine_is_64_only() {
  [ "${SETUP_WINE64_ONLY:-}" = 1 ] && return 0
  [ "${SETUP_WINE64_ONLY:-}" = 0 ] && return 1
  ! /usr/lib/wine/wine --version >/dev/null 2>&1
}
if wine_is_64_only; then
  export WINELOADER=/usr/lib/wine/wine64
  wine() { /usr/lib/wine/wine64 "$@"; }
  wineboot() { /usr/lib/wine/wine64 wineboot "$@"; }
fi
