#!/usr/bin/env bash
# Builds the card designer and starts it in real windows, from a fresh
# Debian 12 machine on. Where there is no display (neither DISPLAY nor
# WAYLAND_DISPLAY is set) it runs a short scripted session on the headless
# display instead, and prints the paths of the screenshots it took.
# The card designer reads and writes its files in the current directory.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${CARD_DESIGNER_BUILD:-$root/build/dev}

# Runs a command with its output kept aside, shown only if it fails.
quietly() {
  local log
  log=$(mktemp)
  if ! "$@" >"$log" 2>&1; then
    cat "$log" >&2
    rm -f "$log"
    exit 1
  fi
  rm -f "$log"
}

"$root/scripts/install-deps.sh"
quietly cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display is available (neither DISPLAY nor WAYLAND_DISPLAY is set), so the card designer runs a short demo session on its headless display instead."
  quietly cmake --build "$build" --target card-designer-headless
  run="$build/demo"
  rm -rf "$run"
  mkdir -p "$run"
  (cd "$run" && "$build/tools/card-designer-headless" --input "$root/scripts/demo.txt")
  echo "Screenshots of the session:"
  for shot in "$run"/*.png; do
    echo "  $shot"
  done
  echo "The card it saved: $run/tobu1.sav"
  exit 0
fi

echo "Building the card designer..."
quietly cmake --build "$build" --target card-designer
exec "$build/editor/card-designer" "$@"
