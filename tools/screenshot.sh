#!/usr/bin/env bash
# Starts the built program under Xvfb, types an example person into it and
# saves a picture of the window. Needs xvfb, imagemagick and xdotool.
# Usage: tools/screenshot.sh [output.png] [program]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$(realpath -m "${1:-$root/build/screenshot.png}")"
program="${2:-$root/build/bin/tarvolin}"
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
xvfb-run -a -s "-screen 0 640x420x24 -dpi 96" bash -s "$program" "$out" <<'SCRIPT'
set -euo pipefail
program=$1 out=$2
"$program" & pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT
for _ in $(seq 50); do
  win=$(xdotool search --onlyvisible --name 'Tarvolin' 2>/dev/null | head -1) && [ -n "$win" ] && break
  sleep 0.1
done
sleep 0.5
if [ -n "${win:-}" ]; then
  xdotool windowfocus --sync "$win" 2>/dev/null || true
  # Surname, name, date (Tab moves through the fields), then the place.
  xdotool type --delay 20 'Rossi'; xdotool key Tab
  xdotool type --delay 20 'Mario'; xdotool key Tab
  xdotool type --delay 20 '1/1/1980'; xdotool key Tab Tab
  xdotool type --delay 60 'rom'
  # Press Elabora with the mouse: it sits at (226, 298) in the window.
  eval "$(xdotool getwindowgeometry --shell "$win")"
  xdotool mousemove $((X + 226)) $((Y + 298)) click 1
  xdotool mousemove 0 0
  sleep 0.5
fi
import -window root "$out"
# Keep the window only: Xvfb's background is black.
convert "$out" -bordercolor black -border 1 -trim +repage "$out"
SCRIPT
echo "$out"
