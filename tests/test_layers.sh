#!/usr/bin/env bash
# The folders are layers: no folder includes a header of a folder above it,
# and the layers below the windows include no header of Qt's GUI modules.
# Usage: test_layers.sh SOURCE_DIR
set -uo pipefail
cd "$1" || exit 1
# folder and layer, as the README's Layout table gives them
layers="engine 1
platform/core 1
register 2
platform 2
about 3
verify-window 3
command-line 3
main-window 4
app 5"
layer_of() { echo "$layers" | awk -v f="$1" '$1 == f { print $2 }'; }
# The files of a folder, not of a folder below it that is a layer of its own.
files_of() { find "$1" -maxdepth 1 -name '*.h' -o -maxdepth 1 -name '*.cpp' -o -maxdepth 1 -name '*.h.in'; }
status=0
while read -r folder layer; do
  for other in $(echo "$layers" | awk -v l="$layer" '$2 > l { print $1 }'); do
    for header in $(files_of "$other" | grep '\.h$' | xargs -r -n1 basename); do
      if grep -ln "#include \"$header\"" $(files_of "$folder") >/dev/null 2>&1; then
        echo "FAIL: $folder (layer $layer) includes $header of $other (layer $(layer_of "$other"))"
        status=1
      fi
    done
  done
  if [ "$layer" -le 2 ] && [ "$folder" != platform ]; then
    if grep -nE '#include <(QtWidgets|QtGui|Q(Widget|Application|GuiApplication|LineEdit|Label|Color|Palette|Painter|Pixmap|Image|Font|KeyEvent|Window|Screen))[>/]' $(files_of "$folder"); then
      echo "FAIL: $folder includes a header of Qt's GUI modules"
      status=1
    fi
  fi
done <<< "$layers"
[ "$status" -eq 0 ] && echo "ok: every folder includes only its own layer and those below"
exit "$status"
