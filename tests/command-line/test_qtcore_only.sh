#!/usr/bin/env bash
# The command line's library links QtCore and no other Qt module.
# Usage: test_qtcore_only.sh PROBE
set -uo pipefail
probe=$1
libs=$(ldd "$probe") || { echo "FAIL: ldd $probe failed"; exit 1; }
echo "$libs" | grep -q 'libQt6Core\.so' || { echo "FAIL: QtCore is not linked:"; echo "$libs"; exit 1; }
if echo "$libs" | grep -E 'libQt6(Gui|Widgets|OpenGL|DBus)\.so'; then
  echo "FAIL: the command line links more than QtCore"
  exit 1
fi
out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$probe" verifica RSSMRT83E47H501X)
status=$?
[ "$status" -eq 1 ] && [[ "$out" == *"dovrebbe essere T."* ]] ||
  { echo "FAIL: the probe answered $status: $out"; exit 1; }
echo "ok: QtCore only, and it runs without a display"
