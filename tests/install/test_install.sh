#!/usr/bin/env bash
# cmake --install into a temporary prefix: the layout, and the installed
# program finding its register when started through the bin/ symlink.
# Usage: test_install.sh CMAKE BUILD_DIR
set -uo pipefail
cmake=$1 build=$2
. "$(dirname "$0")/common.sh"
[ -d /proc/self/fd ] || skip "no /proc: cannot see which files the program opens"

prefix=$(mktemp -d /tmp/tarvolin-install.XXXXXX)
trap 'rm -rf "$prefix"' EXIT
if ! "$cmake" --install "$build" --prefix "$prefix" >"$prefix.log" 2>&1; then
  cat "$prefix.log" >&2; rm -f "$prefix.log"
  echo "FAIL: cmake --install failed" >&2; exit 1
fi
rm -f "$prefix.log"

BUILT_REGISTER=$build/bin/Comuni.mdb
check_layout "$prefix"
check_finds_register "$prefix"
check_command_line "$prefix"
check_no_register_without_file "$prefix"
finish
