#!/usr/bin/env bash
# Draws the program's pictures into resources/ (run by hand; the results are
# committed). Needs ImageMagick and the Liberation fonts.
set -euo pipefail
out="$(cd "$(dirname "$0")/.." && pwd)/resources"
font=/usr/share/fonts/truetype/liberation2/LiberationSans-BoldItalic.ttf

# Title picture: the product name in very light green on transparent, 157x68;
# and drawn again at twice the pixels (@2x) for screens at 200 %.
for s in 1 2; do
  [ "$s" = 1 ] && name=titolo.png || name=titolo@2x.png
  convert -size $((157 * s))x$((68 * s)) xc:none -font "$font" -pointsize $((34 * s)) -fill '#E0FFE0' \
    -stroke '#A0E0A0' -strokewidth "$s" -gravity center -annotate +0+0 'Tarvolin' \
    -define png:exclude-chunks=date,time "$out/$name"
done

# Card icon, 16x16: white card, green title strip, grey and olive lines.
convert -size 16x16 xc:none -fill white -stroke '#808080' -draw 'roundrectangle 0,2 15,13 2,2' \
  -stroke none -fill '#00C000' -draw 'rectangle 1,3 14,6' \
  -fill '#808080' -draw 'rectangle 3,8 12,8' -fill '#808000' -draw 'rectangle 3,10 10,10' \
  -fill '#808080' -draw 'rectangle 3,12 8,12' -colors 16 "PNG8:$out/icona.png"

# About picture, 61x63: the same card, larger; and at twice the pixels. A
# point drawn at x lands at s*x + (s-1)/2, a filled pixel run x1..x2 on
# s*x1..s*x2+s-1.
for s in 1 2; do
  [ "$s" = 1 ] && name=informazioni.gif || name=informazioni@2x.png
  at() { awk -v s="$s" -v x="$1" 'BEGIN { print s * x + (s - 1) / 2 }'; }
  run() { echo "$((s * $1)),$((s * $2)) $((s * $3 + s - 1)),$((s * $4 + s - 1))"; }
  convert -size $((61 * s))x$((63 * s)) xc:none -fill white -stroke '#808080' -strokewidth $((2 * s)) \
    -draw "roundrectangle $(at 2),$(at 10) $(at 58),$(at 52) $((8 * s)),$((8 * s))" -stroke none -fill '#00C000' \
    -draw "roundrectangle $(at 5),$(at 13) $(at 55),$(at 26) $((5 * s)),$((5 * s))" \
    -fill '#808080' -draw "rectangle $(run 10 32 50 34)" \
    -fill '#808000' -draw "rectangle $(run 10 38 42 40)" -fill '#808080' -draw "rectangle $(run 10 44 34 46)" \
    -font "$font" -pointsize $((9 * s)) -fill '#E0FFE0' -gravity north -annotate +0+$((14 * s)) 'CF' \
    -define png:exclude-chunks=date,time "$out/$name"
done

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
