#!/usr/bin/env bash
# Starts the built program under Xvfb and saves a screenshot of the screen.
# Usage: tools/screenshot.sh [output.png] [seconds to wait]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$root/build/screenshot.png}"
wait="${2:-2}"
xvfb-run -a -s "-screen 0 640x420x24 -dpi 96" bash -c "
  '$root/build/bin/tarvolin' & pid=\$!
  sleep $wait
  import -window root '$out'
  kill \$pid" 
echo "$out"
