#!/usr/bin/env bash
# Draws the program's pictures and icon into src/ui/res from simple drawing commands:
#   banner.jpg 500x59 and side.jpg 500x316 (baseline JPEG, 24-bit), setup.ico 48x48 at 8 bpp.
# The white areas are where the windows' white-backed labels stand; keep them white.
set -euo pipefail
cd "$(dirname "$0")/.."
out=src/ui/res
jpeg() { convert "${@:1:$#-1}" -type TrueColor -interlace none -sampling-factor 1x1 -quality 92 -strip "${@: -1}"; }

# Banner: white over the left two thirds (the greeting and the wizard's header band stand
# there), shading to light blue, with a disc at the right end.
jpeg -size 500x59 xc:white \
  \( -size 59x170 gradient:white-'#c6dcf4' -rotate -90 \) -geometry +330+0 -composite \
  -fill '#e3eefb' -draw "roundrectangle 372,14 418,44 6,6" \
  -fill '#7fb0e6' -draw "circle 458,29 458,4" \
  -fill '#2c66b8' -draw "circle 458,29 458,10" \
  -fill '#9cc3ec' -draw "circle 458,29 458,19" \
  -fill '#c6dcf4' -draw "circle 458,29 458,25" \
  -stroke '#5b93d6' -strokewidth 2 -draw "line 384,22 424,22" -draw "line 378,29 428,29" -draw "line 384,36 424,36" \
  "JPEG:$out/banner.jpg"

# Side picture: a blue panel 175 pixels wide with the same disc and a check mark; the rest
# is white for the closing texts.
jpeg -size 500x316 xc:white \
  \( -size 316x175 gradient:'#1d4f9c'-'#3d7fd0' -rotate -90 \) -geometry +0+0 -composite \
  -fill '#5b93d6' -draw "circle 87,130 87,62" \
  -fill '#9cc3ec' -draw "circle 87,130 87,76" \
  -fill '#2c66b8' -draw "circle 87,130 87,102" \
  -fill '#c6dcf4' -draw "circle 87,130 87,116" \
  -stroke white -strokewidth 10 -draw "line 52,226 78,252" -draw "line 78,252 124,200" \
  -stroke none -fill white -draw "circle 78,252 78,257" \
  -stroke '#7fb0e6' -strokewidth 2 -draw "line 20,290 155,290" \
  "JPEG:$out/side.jpg"

python3 tools/make-icon.py "$out/setup.ico"
