#!/usr/bin/env bash
# Builds the Debian package with CPack, as a user would (cpack -G DEB), and
# checks that it holds every installed file under /usr and depends on the
# Qt 6 runtime libraries the programs link.
#   check_package.sh <cpack> <build-dir> <installed_files.txt>
set -euo pipefail
cpack=$1 build=$(realpath "$2") expected=$(realpath "$3")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && "$cpack" -G DEB -B "$tmp") >"$tmp/cpack.log" 2>&1 || { cat "$tmp/cpack.log" >&2; fail "cpack -G DEB failed"; }
debs=("$tmp"/velmora32_*.deb)
[ -f "${debs[0]}" ] || fail "no velmora32_*.deb made"
deb=${debs[0]}

dpkg-deb -c "$deb" | awk '{print $NF}' >"$tmp/contents.txt"
while read -r file; do
  grep -qx "./usr/$file" "$tmp/contents.txt" || fail "the package lacks /usr/$file"
done < <(grep -v '^#' "$expected")

[ "$(dpkg-deb -f "$deb" Package)" = velmora32 ] || fail "package name is not velmora32"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6core6 libqt6gui6 libqt6widgets6 libstdc++6; do
  tr ',' '\n' <<<"$depends" | awk '{print $1}' | grep -qxF "$library" || fail "Depends lacks $library: $depends"
done
echo "$(basename "$deb"): Depends: $depends"
