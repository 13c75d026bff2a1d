#!/usr/bin/env bash
# Builds the Debian packages with cpack and checks them: the card
# designer's files, its Depends, its menu entry (desktop-file-validate) and
# launcher, a manual page for each program, that the packaged headless
# runner runs the designer and that card-picture makes a GIF; the development package's libraries, headers,
# package files and guides; each package's copyright file and changelog;
# and that lintian finds no error in either.
#
#   debian_package_test.sh BUILD_DIR WORK_DIR
set -euo pipefail
build=$1 work=$2

fail() { echo "FAIL: $*" >&2; exit 1; }
rm -rf "$work"
mkdir -p "$work"
(cd "$build" && cpack -G DEB -B "$work" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log" >&2; fail "cpack"; }

designer=$(ls "$work"/card-designer_*.deb 2>/dev/null | head -1)
development=$(ls "$work"/libkv319-dev_*.deb 2>/dev/null | head -1)
[ -n "$designer" ] || fail "no card-designer package in $work"
[ -n "$development" ] || fail "no libkv319-dev package in $work"

has_files() {  # PACKAGE PATH...
  local package=$1; shift
  dpkg-deb -c "$package" | awk '{print $6}' >"$work/contents.txt"
  for f in "$@"; do
    grep -qxF "./$f" "$work/contents.txt" || fail "$(basename "$package") has no /$f"
  done
}
has_files "$designer" usr/bin/card-designer usr/bin/card-designer-headless usr/bin/card-picture \
  usr/share/applications/card-designer.desktop \
  usr/share/icons/hicolor/scalable/apps/card-designer.svg \
  usr/libexec/card-designer/start-from-menu \
  usr/share/doc/card-designer/copyright usr/share/doc/card-designer/changelog.gz
has_files "$development" usr/include/kv319/kv319.h usr/include/kv319/winsys.h \
  usr/lib/libkv319.a usr/lib/libkv319_winsys.a usr/lib/libkv319_headless.a \
  usr/lib/cmake/KV319/KV319Config.cmake usr/lib/cmake/KV319/KV319ConfigVersion.cmake \
  usr/lib/pkgconfig/kv319.pc usr/lib/pkgconfig/kv319-headless.pc \
  usr/share/doc/libkv319-dev/copyright usr/share/doc/libkv319-dev/changelog.gz \
  usr/share/doc/libkv319-dev/runtime.md usr/share/doc/libkv319-dev/headless.md \
  usr/share/doc/libkv319-dev/images/bounce.png

depends=$(dpkg-deb -f "$designer" Depends)
for p in libc6 libstdc++6 libsdl2-2.0-0 libfreetype6 libfontconfig1 libpng16-16 libgif7 fonts-dejavu-core; do
  [[ ", $depends," == *", $p "* || ", $depends," == *", $p,"* ]] || fail "Depends lacks $p: $depends"
done
[ "$(dpkg-deb -f "$designer" Package)" = card-designer ] || fail "package name"
[ "$(dpkg-deb -f "$designer" Section)" = graphics ] || fail "section"

# lintian, with the errors Debian's archive would refuse a package for.
# Its warnings are shown, not fatal.
command -v lintian >/dev/null || fail "lintian is missing: it checks the packages (scripts/install-deps.sh installs it)"
lintian --fail-on error --tag-display-limit 0 "$designer" "$development" >"$work/lintian.txt" 2>&1 ||
  { cat "$work/lintian.txt" >&2; fail "lintian finds errors in the packages"; }
grep -v 'root privileges' "$work/lintian.txt" || true

root=$work/root
dpkg-deb -x "$designer" "$root"
dpkg-deb -x "$development" "$root"

# Every program has its manual page, which man reads without a warning.
for program in "$root"/usr/bin/*; do
  page=$root/usr/share/man/man1/$(basename "$program").1.gz
  [ -f "$page" ] || fail "no manual page for $(basename "$program")"
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null) || fail "man cannot read $page"
  [ -z "$warnings" ] || fail "man warns about $(basename "$page"): $warnings"
done

# The changelog's latest entry is the packages' version.
version=$(dpkg-deb -f "$designer" Version)
for package in card-designer libkv319-dev; do
  head=$(zcat "$root/usr/share/doc/$package/changelog.gz" | sed -n 1p)
  [[ $head == "card-designer ($version) "* ]] ||
    fail "$package: the changelog begins \"$head\", not with version $version (packaging/changelog)"
done

desktop=$root/usr/share/applications/card-designer.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the menu entry"
grep -qx 'Exec=/usr/libexec/card-designer/start-from-menu' "$desktop" || fail "Exec line: $(grep ^Exec "$desktop")"
grep -qx 'Icon=card-designer' "$desktop" || fail "Icon line"
launcher=$root/usr/libexec/card-designer/start-from-menu
grep -qx 'exec "/usr/bin/card-designer" "$@"' "$launcher" || fail "the launcher does not start /usr/bin/card-designer"

# The launcher gives the designer a Cards folder: try it with a stand-in
# for the program that reports where it was started.
printf '#!/bin/sh\npwd >"%s/started-in.txt"\n' "$work" >"$work/stand-in"
chmod +x "$work/stand-in"
sed "s|/usr/bin/card-designer|$work/stand-in|" "$launcher" >"$work/launcher"
mkdir -p "$work/home"
HOME=$work/home XDG_CONFIG_HOME=$work/home/.config sh "$work/launcher"
[ "$(cat "$work/started-in.txt")" = "$work/home/Cards" ] || fail "the launcher started in $(cat "$work/started-in.txt")"

# The packaged runner runs the designer: the Shape tab, a heart, a shot.
mkdir -p "$work/run"
cd "$work/run"
printf 'click -23 230\nwait 3\nclick 60 0\nwait 3\nshot card.png\nconsole console.txt\n' |
  "$root/usr/bin/card-designer-headless" >out.txt 2>err.txt || { cat err.txt >&2; fail "the packaged runner"; }
[ -s card.png ] || fail "the packaged runner wrote no shot"
# The packaged card-picture makes a card file an animated GIF.
printf '9 0 2 5 2\n2 0 0 1 2 1 1 1\n' >card.sav
"$root/usr/bin/card-picture" --frames 3 card.sav card.gif 2>err.txt || { cat err.txt >&2; fail "the packaged card-picture"; }
[ "$(head -c 6 card.gif)" = GIF89a ] || fail "the packaged card-picture wrote no GIF"
echo "packages: $(basename "$designer"), $(basename "$development")"
