#!/usr/bin/env bash
# Draws the program's pictures into resources/ (run by hand; the results are
# committed). Needs ImageMagick and the Liberation fonts.
set -euo pipefail
out="$(cd "$(dirname "$0")/.." && pwd)/resources"
font=/usr/share/fonts/truetype/liberation2/LiberationSans-BoldItalic.ttf

# Title picture: the product name in very light green on transparent, 157x68.
convert -size 157x68 xc:none -font "$font" -pointsize 34 -fill '#E0FFE0' \
  -stroke '#A0E0A0' -strokewidth 1 -gravity center -annotate +0+0 'Tarvolin' \
  "$out/titolo.png"

# Card icon, 16x16: white card, green title strip, grey and olive lines.
convert -size 16x16 xc:none -fill white -stroke '#808080' -draw 'roundrectangle 0,2 15,13 2,2' \
  -stroke none -fill '#00C000' -draw 'rectangle 1,3 14,6' \
  -fill '#808080' -draw 'rectangle 3,8 12,8' -fill '#808000' -draw 'rectangle 3,10 10,10' \
  -fill '#808080' -draw 'rectangle 3,12 8,12' -colors 16 "PNG8:$out/icona.png"

# About picture, 61x63: the same card, larger.
convert -size 61x63 xc:none -fill white -stroke '#808080' -strokewidth 2 \
  -draw 'roundrectangle 2,10 58,52 8,8' -stroke none -fill '#00C000' \
  -draw 'roundrectangle 5,13 55,26 5,5' -fill '#808080' -draw 'rectangle 10,32 50,34' \
  -fill '#808000' -draw 'rectangle 10,38 42,40' -fill '#808080' -draw 'rectangle 10,44 34,46' \
  -font "$font" -pointsize 9 -fill '#E0FFE0' -gravity north -annotate +0+14 'CF' \
  "$out/informazioni.gif"
