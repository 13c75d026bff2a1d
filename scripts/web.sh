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

# FreeType from Debian's source package, built once as a static library
# without its optional compression and shaping libraries (our glyphs come
# from plain TrueType files).
build_freetype() {
  local prefix=$deps/freetype
  [ -f "$prefix/lib/libfreetype.a" ] && return 0
  echo "Fetching and building FreeType from Debian's source package..."
  local apt=$deps/apt
  rm -rf "$apt" "$deps/src"
  mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/sources.list.d" "$deps/src"
  echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main" \
    >"$apt/sources.list"
  # A private apt state, so that neither root nor the system's lists are needed.
  local opts=(-o "Dir::Etc::SourceList=$apt/sources.list" -o "Dir::Etc::SourceParts=$apt/sources.list.d"
              -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache" -o Debug::NoLocking=1
              -o APT::Sandbox::User=root)
  [ "$(id -u)" -ne 0 ] && opts+=(-o APT::Sandbox::User="$(id -un)")
  apt-get "${opts[@]}" -qq update
  (cd "$deps/src" && apt-get "${opts[@]}" -qq source --download-only freetype)
  (cd "$deps/src" && dpkg-source --no-check -x freetype_*.dsc freetype >/dev/null)
  emcmake cmake -S "$deps/src/freetype" -B "$deps/src/freetype-build" -G Ninja \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF \
    -DFT_DISABLE_ZLIB=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON \
    -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON >/dev/null
  cmake --build "$deps/src/freetype-build" >/dev/null
  cmake --install "$deps/src/freetype-build" >/dev/null
}

build_freetype

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
