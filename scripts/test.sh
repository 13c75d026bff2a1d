#!/usr/bin/env bash
# Builds everything and runs every test, from a fresh Debian 12 machine on.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake --preset ci
cmake --build --preset ci
ctest --preset ci
