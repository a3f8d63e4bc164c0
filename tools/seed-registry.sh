#!/usr/bin/env bash
# Seeds the product key in a Wine prefix's 32-bit view, as the full installer would leave it:
#   seed-registry.sh PREFIX [SETUP [VERSION [INSTALL_PATH]]]
# Defaults: setup "1", version "2.0.0", InstallPath "C:\Program Files\Tessovarine" in quotes.
# Run it under the same Xvfb as the GUI tests that follow, or run `wineserver -k` before them:
# a first Wine process without a display leaves the session without usable windows.
set -euo pipefail
if [ $# -lt 1 ]; then
  echo "usage: $0 PREFIX [SETUP [VERSION [INSTALL_PATH]]]" >&2
  exit 2
fi
source "$(dirname "$0")/wine-loader.sh"
export WINEPREFIX=$(realpath -m "$1")
export WINEDEBUG=${WINEDEBUG:--all}
setup=${2-1}
version=${3-2.0.0}
install_path=${4-'"C:\Program Files\Tessovarine"'}
key='HKLM\Software\corvanthyle\Tessovarine'

add() { wine reg add "$key" /v "$1" /t REG_SZ /d "$2" /f /reg:32 >/dev/null; }
add setup "$setup"
add version "$version"
add InstallPath "$install_path"
wine reg query "$key" /reg:32
