#!/usr/bin/env bash
# Installs every Debian package that building, testing and running the card
# designer needs. Safe to run again: it installs only what is missing.
# clang and its runtime libraries serve the sanitizer build and the fuzz
# targets (libFuzzer); valgrind the memcheck run.
# Cairo is only the reference that a benchmark compares with; time measures
# whole runs of the program (bench/whole_process.sh).
# desktop-file-utils checks the menu entry of the card designer's Debian
# package (scripts/package.sh builds the package; the tests check it).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libsdl2-dev libfreetype-dev libfontconfig-dev fonts-dejavu-core libpng-dev
  # card-picture writes animated GIFs of saved cards through giflib.
  libgif-dev
  # Liberation Sans: the runtime's text face, with the metrics (Arial's) that
  # the card designer's panel labels were laid out for.
  fonts-liberation2
  libgtest-dev libgmock-dev libbenchmark-dev
  # Xvfb and xdotool run the real-window test; ImageMagick's import takes
  # its screenshots.
  xvfb xauth xdotool libx11-dev imagemagick
  # The real-window test also runs the windows under a window manager that
  # frames them (openbox) and under a Wayland compositor nested in Xvfb
  # (weston), whose clients draw their frames with libdecor's plugin.
  openbox weston libdecor-0-plugin-1-cairo
  clang libclang-rt-14-dev valgrind
  # The Windows build: the cross compiler, Wine to run it on Xvfb, and
  # ImageMagick's import for the smoke test's screenshots.
  g++-mingw-w64-x86-64-win32 wine64 wine imagemagick
  libcairo2-dev time
  desktop-file-utils
  # scripts/format.sh formats the sources, and scripts/test.sh checks them,
  # with this version of clang-format (14).
  clang-format
  # The web version (scripts/web.sh): Emscripten and dpkg-dev for FreeType's
  # Debian source package (the page carries the Liberation and DejaVu faces
  # above); its test drives
  # Chromium through ChromeDriver with selenium (for Debian's python3).
  emscripten dpkg-dev
  chromium chromium-driver python3-selenium
  # The Debian packages: CPack's DEB generator runs file on what it packs,
  # and the package test checks both packages with lintian.
  file lintian
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
as_root=()
if [ "$(id -u)" -ne 0 ]; then
  as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
