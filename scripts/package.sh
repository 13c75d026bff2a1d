#!/usr/bin/env bash
# Builds the Debian packages of the card designer and of the KV319 runtime
# into build/packages, from a fresh Debian 12 machine on:
#   card-designer_VERSION_ARCH.deb  the designer, with its menu entry and icon
#   libkv319-dev_VERSION_ARCH.deb   the runtime for programs of your own
# Install one with apt, which also fetches what it depends on:
#   sudo apt install ./build/packages/card-designer_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake --preset dev >/dev/null
cmake --build --preset dev
(cd build/dev && cpack -G DEB -B "$PWD/../packages" >/dev/null)
rm -rf build/packages/_CPack_Packages
echo "Packages:"
ls -1 "$PWD"/build/packages/*.deb | sed 's/^/  /'
echo "Install the card designer with:"
echo "  sudo apt install $(ls "$PWD"/build/packages/card-designer_*.deb)"
