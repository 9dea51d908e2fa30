#!/usr/bin/env bash
# Builds the .deb with CPack into a temporary directory (so it is never a
# stale one), unpacks it with dpkg -x and checks its files, control fields and
# that the unpacked program finds its register.
# Usage: test_deb_package.sh CPACK BUILD_DIR VERSION
set -uo pipefail
cpack=$1 build=$2 version=$3
. "$(dirname "$0")/common.sh"
for tool in dpkg-deb dpkg-shlibdeps; do
  command -v "$tool" >/dev/null || skip "$tool is absent (Debian dpkg-dev): the .deb cannot be built or read"
done
[ -d /proc/self/fd ] || skip "no /proc: cannot see which files the program opens"

work=$(mktemp -d /tmp/tarvolin-deb.XXXXXX)
trap 'rm -rf "$work"' EXIT
if ! (cd "$build" && "$cpack" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1); then
  cat "$work/cpack.log" >&2
  echo "FAIL: cpack failed" >&2; exit 1
fi
debs=("$work"/out/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "FAIL: cpack made no single .deb: ${debs[*]}" >&2; exit 1; }
deb=${debs[0]}
arch=$(dpkg --print-architecture)
[ "$(basename "$deb")" = "tarvolin_${version}_${arch}.deb" ] &&
  pass "package file $(basename "$deb")" || fail "package file is named $(basename "$deb")"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = tarvolin ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version), the project's is $version"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture: $(field Architecture)"
[ -n "$(field Section)" ] || fail "no Section"
[[ "$(field Maintainer)" =~ ^.+\ \<.+@.+\>$ ]] || fail "Maintainer is not 'Name <address>': $(field Maintainer)"
[[ "$(field Description)" == *"fiscal code"* ]] || fail "Description: $(field Description)"

depends=$(field Depends)
echo "Depends: $depends"
# The library packages the program links against, the platform plugins,
# Qt's translations and xdg-open for the links.
for pkg in libqt6core6 libqt6gui6 libqt6widgets6 libcups2 libsqlite3-0 libc6 libstdc++6 qt6-qpa-plugins \
  qt6-translations-l10n xdg-utils; do
  [[ ", $depends," == *", $pkg "* || ", $depends," == *", $pkg,"* ]] && pass "Depends has $pkg" || fail "Depends lacks $pkg"
done

root=$work/root
dpkg -x "$deb" "$root" || { echo "FAIL: dpkg -x failed" >&2; exit 1; }
# Everything lies under /usr, nothing beside it.
top=$(cd "$root" && find . -mindepth 1 -maxdepth 1 | sort | tr '\n' ' ')
[ "$top" = "./usr " ] && pass "everything under /usr" || fail "top-level entries of the package: $top"
BUILT_REGISTER=$build/bin/Comuni.mdb
check_layout "$root/usr"
if command -v file >/dev/null; then
  [[ "$(file -L "$root/usr/lib/tarvolin/tarvolin")" == *", stripped"* ]] &&
    pass "the packaged executable is stripped" || fail "the packaged executable is not stripped"
fi
check_finds_register "$root/usr"
check_command_line "$root/usr"
finish
