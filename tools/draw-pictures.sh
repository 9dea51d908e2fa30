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

# Desktop icons (hicolor theme), 32, 48 and 128 pixels: the 16x16 card icon
# drawn again at scale, so it stays sharp; 16 pixels is icona.png itself.
# From 48 pixels up the title strip carries "CF", as in the About picture.
for n in 32 48 128; do
  s=$((n / 16)) h=$((n / 32))
  args=(-size "${n}x${n}" xc:none -fill white -stroke '#808080' -strokewidth "$s"
    -draw "roundrectangle $h,$((2 * s + h)) $((n - 1 - h)),$((14 * s - 1 - h)) $((2 * s)),$((2 * s))"
    -stroke none -fill '#00C000' -draw "rectangle $s,$((3 * s)) $((15 * s - 1)),$((7 * s - 1))"
    -fill '#808080' -draw "rectangle $((3 * s)),$((8 * s)) $((13 * s - 1)),$((9 * s - 1))"
    -fill '#808000' -draw "rectangle $((3 * s)),$((10 * s)) $((11 * s - 1)),$((11 * s - 1))"
    -fill '#808080' -draw "rectangle $((3 * s)),$((12 * s)) $((9 * s - 1)),$((13 * s - 1))")
  if [ "$n" -ge 48 ]; then
    args+=(-font "$font" -pointsize $((3 * s)) -fill '#E0FFE0' -gravity north -annotate "+0+$((3 * s))" 'CF')
  fi
  convert "${args[@]}" -define png:exclude-chunks=date,time "PNG32:$out/tarvolin-$n.png"
done
