#!/usr/bin/env bash
# Builds the card designer and the example programs for the web into
# build/web (WebAssembly pages that need nothing but a browser) and serves
# them on 127.0.0.1 with a plain static server.
#
#   scripts/web.sh           build, then serve on http://127.0.0.1:8319/ until Control+C
#                            (another port: KV319_WEB_PORT=8080 scripts/web.sh)
#   scripts/web.sh --build   build only
#   scripts/web.sh --build-test
#                            build only, quick to link (-O1), into build/web-test:
#                            the pages that the browser test drives
#
# FreeType is compiled for the web from Debian's own source package, fetched
# into build/web-deps the first time (the same version and patches as the
# desktop's library, so glyphs come out the same). Installs the packages of
# scripts/install-deps.sh first (emscripten, dpkg-dev, the font packages),
# except for --build-test, which fails when one is missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/web
deps=$root/build/web-deps

# Emscripten's JavaScript tools look for their node modules (acorn) where
# Debian installs them; a node that is not Debian's does not look there.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}

# The browser test builds with what is installed, and fails without it.
[ "${1:-}" = "--build-test" ] || "$root/scripts/install-deps.sh"

for tool in emcmake emcc apt-get dpkg-source; do
  if ! command -v "$tool" >/dev/null; then
    echo "web.sh: $tool is missing; run scripts/install-deps.sh" >&2
    exit 1
  fi
done

# Debian's source package $1, unpacked into build/web-deps/src/$2.
fetch_source() {
  local package=$1 dir=$deps/src/$2
  local apt=$deps/apt
  rm -rf "$apt" "$dir" "$dir.download"
  mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/sources.list.d" "$dir.download"
  echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main" \
    >"$apt/sources.list"
  # A private apt state, so that neither root nor the system's lists are needed.
  local opts=(-o "Dir::Etc::SourceList=$apt/sources.list" -o "Dir::Etc::SourceParts=$apt/sources.list.d"
              -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache" -o Debug::NoLocking=1
              -o APT::Sandbox::User=root)
  [ "$(id -u)" -ne 0 ] && opts+=(-o APT::Sandbox::User="$(id -un)")
  apt-get "${opts[@]}" -qq update
  (cd "$dir.download" && apt-get "${opts[@]}" -qq source --download-only "$package")
  (cd "$dir.download" && dpkg-source --no-check -x ./*.dsc "$dir" >/dev/null)
  rm -rf "$dir.download"
}

# A static library of C files of an unpacked source package, for the
# packages whose own build does not suit the web:
#   c_library <source dir name> <library name> "<headers>" <file names without .c>...
c_library() {
  local src=$deps/src/$1 prefix=$deps/$1 name=$2 headers=$3 objects=()
  shift 3
  mkdir -p "$src/web-build" "$prefix/lib" "$prefix/include"
  for c in "$@"; do
    emcc -O2 -c "$src/$c.c" -o "$src/web-build/$c.o"
    objects+=("$src/web-build/$c.o")
  done
  emar rcs "$prefix/lib/lib$name.a" "${objects[@]}"
  for h in $headers; do cp "$src/$h" "$prefix/include/"; done
}

# The picture writers of card-picture (its page version, card-picture.js),
# from Debian's source packages of the desktop's own libraries: zlib and
# libpng, so that the PNG comes out byte for byte as card-picture's on the
# desktop, and giflib for the animated GIF. Each is a static library in
# build/web-deps/<name>/lib with its headers in include.
build_zlib() {
  local prefix=$deps/zlib
  [ -f "$prefix/lib/libz.a" ] && return 0
  echo "Fetching and building zlib from Debian's source package..."
  fetch_source zlib zlib
  # The compression itself; libpng needs none of the gzip file functions.
  c_library zlib z "zlib.h zconf.h" adler32 compress crc32 deflate infback inffast inflate \
    inftrees trees uncompr zutil
}

# FreeType from Debian's source package, built once as a static library
# with the zlib above (as the desktop's library is), without its other
# optional compression and shaping libraries (our glyphs come from plain
# TrueType files). A FreeType built here before, with a zlib of its own
# that clashes with the one above, is built again.
build_freetype() {
  local prefix=$deps/freetype
  grep -qs zlib "$prefix/lib/pkgconfig/freetype2.pc" && [ -f "$prefix/lib/libfreetype.a" ] && return 0
  echo "Fetching and building FreeType from Debian's source package..."
  rm -rf "$prefix" "$deps/src/freetype-build"
  fetch_source freetype freetype
  emcmake cmake -S "$deps/src/freetype" -B "$deps/src/freetype-build" -G Ninja \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF \
    -DFT_REQUIRE_ZLIB=ON -DZLIB_INCLUDE_DIR="$deps/zlib/include" -DZLIB_LIBRARY="$deps/zlib/lib/libz.a" \
    -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON >/dev/null
  cmake --build "$deps/src/freetype-build" >/dev/null
  cmake --install "$deps/src/freetype-build" >/dev/null
}

build_libpng() {
  local prefix=$deps/libpng
  [ -f "$prefix/lib/libpng.a" ] && return 0
  echo "Fetching and building libpng from Debian's source package..."
  fetch_source libpng1.6 libpng
  emcmake cmake -S "$deps/src/libpng" -B "$deps/src/libpng-build" -G Ninja \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
    -DZLIB_INCLUDE_DIR="$deps/zlib/include" -DZLIB_LIBRARY="$deps/zlib/lib/libz.a" >/dev/null
  cmake --build "$deps/src/libpng-build" >/dev/null
  cmake --install "$deps/src/libpng-build" >/dev/null
  [ -f "$prefix/lib/libpng.a" ] || ln -s libpng16.a "$prefix/lib/libpng.a"
}

build_giflib() {
  local prefix=$deps/giflib
  [ -f "$prefix/lib/libgif.a" ] && return 0
  echo "Fetching and building giflib from Debian's source package..."
  fetch_source giflib giflib
  c_library giflib gif gif_lib.h dgif_lib egif_lib gifalloc gif_err gif_font gif_hash \
    openbsd-reallocarray quantize
}

build_zlib
build_freetype
build_libpng
build_giflib

cd "$root"
preset=web
[ "${1:-}" = "--build-test" ] && preset=web-test
cmake --preset $preset >/dev/null
cmake --build --preset $preset
case "${1:-}" in --build | --build-test) exit 0 ;; esac

port=${KV319_WEB_PORT:-8319}
echo "The card designer: http://127.0.0.1:$port/card-designer.html (the examples: http://127.0.0.1:$port/)"
echo "Serving build/web/site; Control+C stops."
exec /usr/bin/python3 -m http.server "$port" --bind 127.0.0.1 --directory "$build/site"
