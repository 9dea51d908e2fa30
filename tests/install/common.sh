# Checks shared by the install and package tests; sourced, not run.
# Each check prints what it found wrong and sets $failed; the caller exits
# with `finish`.

failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }
pass() { echo "ok: $*"; }
finish() {
  if [ "$failed" -ne 0 ]; then echo "$(basename "$0"): failed" >&2; exit 1; fi
  echo "$(basename "$0"): all checks passed"
  exit 0
}
skip() { echo "SKIP: $*"; exit 77; }

# check_layout PREFIX: exactly the program's files, and nothing else (no test,
# benchmark or build tool), under PREFIX.
check_layout() {
  local prefix=$1 f
  local expected=(
    bin/tarvolin
    lib/tarvolin/tarvolin
    lib/tarvolin/Comuni.mdb
    share/applications/tarvolin.desktop
    share/icons/hicolor/16x16/apps/tarvolin.png
    share/icons/hicolor/32x32/apps/tarvolin.png
    share/icons/hicolor/48x48/apps/tarvolin.png
    share/icons/hicolor/128x128/apps/tarvolin.png
  )
  local found
  found=$(cd "$prefix" && find . \( -type f -o -type l \) | sed 's|^\./||' | LC_ALL=C sort)
  local want
  want=$(printf '%s\n' "${expected[@]}" | LC_ALL=C sort)
  if [ "$found" = "$want" ]; then
    pass "installed files are exactly the program's"
  else
    fail "installed files differ from the expected list (< expected, > found):"
    diff <(echo "$want") <(echo "$found") >&2
  fi

  if [ -L "$prefix/bin/tarvolin" ] && [ "$(readlink "$prefix/bin/tarvolin")" = ../lib/tarvolin/tarvolin ]; then
    pass "bin/tarvolin is a relative symlink to ../lib/tarvolin/tarvolin"
  else
    fail "bin/tarvolin is not a symlink to ../lib/tarvolin/tarvolin: $(ls -l "$prefix/bin/tarvolin" 2>&1)"
  fi
  [ -f "$prefix/lib/tarvolin/tarvolin" ] && [ -x "$prefix/lib/tarvolin/tarvolin" ] &&
    [ ! -L "$prefix/lib/tarvolin/tarvolin" ] ||
    fail "lib/tarvolin/tarvolin is not an executable file"
  # An empty or truncated register would open, then fail on the first look-up.
  if [ -n "${BUILT_REGISTER:-}" ]; then
    cmp -s "$BUILT_REGISTER" "$prefix/lib/tarvolin/Comuni.mdb" &&
      pass "Comuni.mdb is the register the build made" ||
      fail "lib/tarvolin/Comuni.mdb differs from $BUILT_REGISTER"
  fi

  local desktop=$prefix/share/applications/tarvolin.desktop
  for line in 'Type=Application' 'Name=Tarvolin' 'Exec=tarvolin' 'Icon=tarvolin' \
              'Terminal=false' 'Categories=Office;' 'Comment[it]=Calcola il codice fiscale'; do
    grep -qxF "$line" "$desktop" || fail "desktop entry lacks the line '$line'"
  done
  grep -q '^GenericName\[it\]=.' "$desktop" || fail "desktop entry lacks an Italian GenericName"
  if command -v desktop-file-validate >/dev/null; then
    local out
    out=$(desktop-file-validate "$desktop" 2>&1)
    [ $? -eq 0 ] && [ -z "$out" ] && pass "desktop-file-validate finds nothing" ||
      fail "desktop-file-validate: $out"
  else
    echo "note: desktop-file-validate (Debian desktop-file-utils) is absent: entry not validated"
  fi

  local size file dims
  for size in 16 32 48 128; do
    file=$prefix/share/icons/hicolor/${size}x${size}/apps/tarvolin.png
    # PNG signature, then the IHDR chunk's width and height (big-endian).
    dims=$(od -An -tx1 -j0 -N24 "$file" 2>/dev/null | tr -d ' \n')
    if [ "${dims:0:16}" = 89504e470d0a1a0a ] &&
       [ $((16#${dims:32:8})) -eq "$size" ] && [ $((16#${dims:40:8})) -eq "$size" ]; then
      pass "icon ${size}x${size} is a ${size}x${size} PNG"
    else
      fail "icon ${size}x${size} is not a ${size}x${size} PNG"
    fi
  done
}

# register_fd PID REGISTER: succeeds when process PID holds REGISTER open.
register_fd() {
  local fd
  for fd in /proc/"$1"/fd/*; do
    [ "$(readlink "$fd" 2>/dev/null)" = "$2" ] && return 0
  done
  return 1
}

# any_register_fd PID: succeeds when process PID holds any Comuni.mdb open.
any_register_fd() {
  local fd
  for fd in /proc/"$1"/fd/*; do
    case "$(readlink "$fd" 2>/dev/null)" in */Comuni.mdb*) return 0 ;; esac
  done
  return 1
}

# check_finds_register PREFIX: the program, started through PREFIX/bin/tarvolin
# from an unrelated directory, opens PREFIX/lib/tarvolin/Comuni.mdb. The
# program keeps the register open while its window is up, and reads no
# arguments or environment of its own, so the open file is the observable.
check_finds_register() {
  local prefix register elsewhere pid i found=0
  prefix=$(cd "$1" && pwd -P)
  register=$prefix/lib/tarvolin/Comuni.mdb
  elsewhere=$(mktemp -d)
  (cd "$elsewhere" && exec env QT_QPA_PLATFORM=offscreen "$prefix/bin/tarvolin" >"$elsewhere.log" 2>&1) &
  pid=$!
  # A sanitizer build starts slowly: poll instead of sleeping a fixed time.
  for i in $(seq 1 300); do
    if register_fd "$pid" "$register"; then found=1; break; fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ "$found" -eq 1 ]; then
    pass "started through bin/tarvolin from $elsewhere, it opened $register"
  elif kill -0 "$pid" 2>/dev/null; then
    fail "the program started through bin/tarvolin did not open $register within 30 s"
  else
    fail "the program started through bin/tarvolin ended early; its output:"
    cat "$elsewhere.log" >&2
  fi
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  rm -rf "$elsewhere" "$elsewhere.log"
}

# check_command_line PREFIX: bin/tarvolin run as a command, from an unrelated
# directory and with no display, computes a code with the installed register.
check_command_line() {
  local prefix=$1 elsewhere out
  elsewhere=$(mktemp -d)
  out=$(cd "$elsewhere" && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
    "$prefix/bin/tarvolin" calcola Rossetti Marta 1983-05-07 F Roma 2>&1)
  if [ $? -eq 0 ] && [[ "$out" == *",RSSMRT83E47H501T,ok,"* ]]; then
    pass "bin/tarvolin calcola, with no display, computed a code with the installed register"
  else
    fail "bin/tarvolin calcola gave: $out"
  fi
  rm -rf "$elsewhere"
}

# check_no_register_without_file PREFIX: with the installed register gone, the
# program started from a directory that holds a Comuni.mdb opens none: it
# must look only beside its executable (and the probe above must not pass by
# accident).
check_no_register_without_file() {
  local prefix=$1 decoy pid
  decoy=$(mktemp -d)
  : >"$decoy/Comuni.mdb"
  rm -f "$prefix/lib/tarvolin/Comuni.mdb"
  (cd "$decoy" && exec env QT_QPA_PLATFORM=offscreen "$prefix/bin/tarvolin" >/dev/null 2>&1) &
  pid=$!
  sleep 3
  if ! kill -0 "$pid" 2>/dev/null; then
    fail "without its register the program ended instead of reporting the error"
  elif any_register_fd "$pid"; then
    fail "without its register the program opened another Comuni.mdb: $(ls -l /proc/"$pid"/fd | grep Comuni.mdb)"
  else
    pass "without its register the program opens no Comuni.mdb (not the one in its working directory)"
  fi
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  rm -rf "$decoy"
}
