# Sourced by the Wine scripts. The shipped program is 32-bit, and Wine runs it through its
# 32-bit loader, a 32-bit Linux program. wine_road tells how that happens on this machine:
#   native  the kernel starts 32-bit programs itself;
#   qemu    it refuses them ("Exec format error"), and qemu-user runs the loader inside a private
#           namespace of tools/i386-namespace.sh (the install step brings qemu-user);
#   wine64  neither: only 64-bit programs run, through the wine64 loader, and the tests fall
#           back to the x86-64 build of the same sources.
# SETUP_WINE_ROAD=native|qemu|wine64 chooses one, to try another road where more than one works.
wine_road() {
  if [ -n "${SETUP_WINE_ROAD:-}" ]; then
    echo "$SETUP_WINE_ROAD"
  elif [ "${SETUP_I386_NAMESPACE:-}" = ready ]; then
    echo qemu
  elif /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo native
  elif bash "$(dirname "${BASH_SOURCE[0]}")/i386-namespace.sh" --check; then
    echo qemu
  else
    echo wine64
  fi
}

# COMMAND [ARGS...] as the road runs 32-bit programs: for qemu, inside the namespace.
on_wine_road() {
  if [ "$(wine_road)" = qemu ]; then
    bash "$(dirname "${BASH_SOURCE[0]}")/i386-namespace.sh" "$@"
  else
    "$@"
  fi
}

wine_is_64_only() { [ "$(wine_road)" = wine64 ]; }
if wine_is_64_only; then
  export WINELOADER=/usr/lib/wine/wine64
  wine() { /usr/lib/wine/wine64 "$@"; }
  wineboot() { /usr/lib/wine/wine64 wineboot "$@"; }
fi
