#!/usr/bin/env bash
# Installs the build into a temporary prefix and uses the installed tree as a
# user would: the files are all there and no others, both programs start
# from there, the menu entry is valid, the icons are the sizes they claim and
# the manual page reads cleanly and documents every option of --help.
#   check_install.sh <cmake> <build-dir> <installed_files.txt>
set -euo pipefail
cmake=$1 build=$(realpath "$2") expected=$(realpath "$3")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
prefix=$tmp/usr
fail() { echo "FAIL: $*" >&2; exit 1; }

"$cmake" --install "$build" --prefix "$prefix" >/dev/null
diff <(grep -v '^#' "$expected" | sort) <(cd "$prefix" && find . -type f | sed 's|^\./||' | sort) ||
  fail "installed files differ from $expected (< missing, > unexpected)"

# Started from outside the build folder, so nothing can come from there.
cd "$tmp"
"$prefix/bin/velmora-render" --help >help.txt
"$prefix/bin/velmora-render" --mandelbrot --size 40 --iterations 50 --gif pic.gif >/dev/null
[ "$(head -c 10 pic.gif | od -An -tx1 | tr -d ' ')" = "47494638376128001e00" ] || fail "the installed renderer wrote no 40x30 GIF87a picture"
# The shipped start-up picture is one of ours: the renderer takes it up.
"$prefix/bin/velmora-render" --from "$prefix/share/velmora32/velmora-start.gif" --raw start.raw >/dev/null ||
  fail "the installed start-up picture does not load"
# The window program, with no display and a user's first start: it must get
# as far as its event loop and keep running until stopped, and the settings
# it creates must name the installed start-up picture.
status=0
QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME=$tmp/config HOME=$tmp timeout 5 "$prefix/bin/velmora32" >velmora32.log 2>&1 ||
  status=$?
[ "$status" -eq 124 ] || { cat velmora32.log >&2; fail "the installed velmora32 ended with status $status"; }
grep -qxF "Tarnwick\\Velmo32\\2.01\\startfile=$prefix/share/velmora32/velmora-start.gif" "$tmp/config/Tarnwick/Velmo32.ini" ||
  fail "the first start does not name the installed start-up picture: $(cat "$tmp/config/Tarnwick/Velmo32.ini" 2>&1)"

desktop-file-validate "$prefix/share/applications/velmora32.desktop" || fail "desktop entry is not valid"
for size in 48 128 256; do
  file -b "$prefix/share/icons/hicolor/${size}x${size}/apps/velmora32.png" | grep -q "PNG image data, $size x $size" ||
    fail "the ${size}x${size} icon is not a PNG of that size"
done

MANWIDTH=100 man --warnings -l "$prefix/share/man/man1/velmora-render.1.gz" >manual.txt 2>warnings.txt
[ ! -s warnings.txt ] || { cat warnings.txt >&2; fail "the manual page has formatting warnings"; }
grep -q '^NAME' manual.txt && grep -q 'velmora-render - render' manual.txt || fail "the manual page has no NAME"
options=$(grep -oE '^  --[a-z0-9-]+' help.txt | tr -d ' ')
[ -n "$options" ] || fail "velmora-render --help lists no options"
for option in $options; do
  grep -qe "$option" manual.txt || fail "the manual page does not document $option"
done
echo "installed tree: $(grep -vc '^#' "$expected") files, programs, menu entry, icons and manual page checked"
