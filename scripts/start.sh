#!/usr/bin/env bash
# Builds the card designer and starts it, from a fresh Debian 12 machine on.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake --preset dev >/dev/null
cmake --build --preset dev
exec ./build/dev/editor/card-designer "$@"
