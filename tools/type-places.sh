#!/usr/bin/env bash
# Types each place of tools/places-typed.txt (the provincial capitals and a
# few names that used to break) key by key into the real window under Xvfb,
# presses Elabora for a person born on 1/1/1990, and reads the code back
# through the clipboard. The codes expected come from data/ (read here with
# python3). Needs xvfb, xdotool, xclip and python3. Prints one line a place
# and exits 1 if any is wrong or any message box showed.
# Usage: tools/type-places.sh [program]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
program="$(realpath "${1:-$root/build/bin/tarvolin}")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 - "$root/data" "$root/tools/places-typed.txt" > "$work/expected" <<'PY'
import csv, re, sys, unicodedata
def plain(s):
    s = unicodedata.normalize('NFD', s.upper())
    s = ''.join(c for c in s if unicodedata.category(c) != 'Mn')
    s = re.sub(r"([AEIOU])'(?=[ '-]|$)", r"\1", s)
    return re.sub(r"[ '-]+", " ", s).strip()
data, places = sys.argv[1], sys.argv[2]
day, names = '1990-01-01', []
for r in csv.DictReader(open(data + '/ANPR_archivio_comuni.csv', encoding='utf-8-sig')):
    if r['DATAISTITUZIONE'] <= day <= r['DATACESSAZIONE'] and r['CODCATASTALE'] not in ('', 'ND'):
        names.append((r['DENOMINAZIONE_IT'], r['CODCATASTALE']))
for r in csv.DictReader(open(data + '/nomi_comuni_in_uso.csv', encoding='utf-8-sig')):
    names.append((r['NOME'], r['CODCATASTALE']))
for line in open(places):
    typed = line.strip()
    # A final apostrophe is the accent: of several, the name spelled with one.
    codes = sorted({c for n, c in names if plain(n) == plain(typed)
                    and (not typed.endswith("'") or unicodedata.normalize('NFD', n)[-1] == '\u0300')})
    print(typed + '|' + '/'.join(codes))
PY
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$work}"
xvfb-run -a -s "-screen 0 800x600x24 -dpi 96" bash -s "$program" "$work/expected" <<'SCRIPT'
program=$1 expected=$2
"$program" & pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT
for _ in $(seq 50); do win=$(xdotool search --onlyvisible --name 'Tarvolin' | head -1) && [ -n "$win" ] && break; sleep 0.1; done
sleep 1.5
xdotool windowfocus --sync "$win"
eval "$(xdotool getwindowgeometry --shell "$win")"
click() { xdotool mousemove $((X + $1)) $((Y + $2)) click 1; }
boxes() { xdotool search --onlyvisible --name 'Tarvolin' | wc -l; }
# Surname, name and date, then each place in the place box (262, 245).
click 380 303; xdotool type --delay 20 'Rossi'; xdotool key Tab
xdotool type --delay 20 'Mario'; xdotool key Tab; xdotool type --delay 20 '1/1/1990'
status=0
while IFS='|' read -r place codes; do
  click 262 245; xdotool key ctrl+a Delete
  fault=""
  for ((i = 0; i < ${#place}; i++)); do
    xdotool type --delay 0 "${place:i:1}"; sleep 0.03
    if [ "$(boxes)" -gt 1 ]; then fault="$fault a box at '${place:0:i+1}'"; xdotool key Return; sleep 0.2; fi
  done
  xdotool key alt+e; sleep 0.3
  if [ "$(boxes)" -gt 1 ]; then fault="$fault a box after Elabora"; xdotool key Return; sleep 0.2; fi
  # The code, from the result field (286, 128) through the clipboard.
  click 286 128; xdotool key ctrl+a ctrl+c; sleep 0.1
  code=$(xclip -o -selection clipboard 2>/dev/null || true)
  [[ "/$codes/" == *"/${code:11:4}/"* ]] || fault="$fault not $codes"
  if [ -z "$fault" ]; then echo "ok $place $code"; else echo "WRONG $place $code:$fault"; status=1; fi
done < "$expected"
exit $status
SCRIPT
