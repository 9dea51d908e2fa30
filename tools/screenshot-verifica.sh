#!/usr/bin/env bash
# Starts the built program under Xvfb, computes an example on the card, opens
# "Verifica codice fiscale" with F2, types a homonym form of the code into it
# and saves a picture of both windows. Needs xvfb, imagemagick and xdotool.
# Usage: tools/screenshot-verifica.sh [output.png] [program]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$(realpath -m "${1:-$root/build/verifica.png}")"
program="${2:-$root/build/bin/tarvolin}"
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
# Wide enough for the window to open beside the card.
xvfb-run -a -s "-screen 0 1600x480x24 -dpi 96" bash -s "$program" "$out" <<'SCRIPT'
set -euo pipefail
program=$1 out=$2
"$program" & pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT
for _ in $(seq 50); do
  win=$(xdotool search --onlyvisible --name 'Tarvolin' 2>/dev/null | head -1) && [ -n "$win" ] && break
  sleep 0.1
done
sleep 0.5
xdotool windowfocus --sync "$win" 2>/dev/null || true
xdotool type --delay 20 'Rossetti'; xdotool key Tab
xdotool type --delay 20 'Marta'; xdotool key Tab
xdotool type --delay 20 '7/5/1983'; xdotool key Tab
xdotool key Down Tab   # Sesso: F
xdotool type --delay 60 'rom'
eval "$(xdotool getwindowgeometry --shell "$win")"
xdotool mousemove $((X + 226)) $((Y + 298)) click 1   # Elabora
xdotool mousemove 0 0
sleep 0.3
xdotool key F2
sleep 0.8
xdotool type --delay 20 'RSSMRT83E47H50ML'
sleep 0.3
import -window root "$out"
# Keep the windows only: Xvfb's background is black.
convert "$out" -fill white -draw 'color 0,0 floodfill' -trim +repage "$out"
SCRIPT
echo "$out"
