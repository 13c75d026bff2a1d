#!/usr/bin/env bash
# A memcheck run of one end-to-end session of the card designer through the
# headless runner: every tab, shapes and messages added and animated, logging
# on for a while, a script recorded and played back, saves and loads, shots
# and the console. Fails on any memory error and on any definite or indirect
# leak. Suppressed, as not ours: fontconfig's one-time configuration blocks
# (scripts/valgrind.supp).
#
#   scripts/valgrind.sh [BUILD_DIR]      (default build/ci)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-build/ci}
program=$root/$build/tools/card-designer-headless
[ -x "$program" ] || { echo "no $program: build it first" >&2; exit 2; }

work=$(mktemp -d /tmp/kv319_valgrind_XXXXXX)
trap 'rm -rf "$work"' EXIT
tab() { echo "click $((-243 + 110 * $1)) 230"; }
button() { echo "click -250 $((179 - 35 * $1))"; }
{
  # Shapes: add two, animate, choose a shape kind from the palette.
  tab 2; echo "click 0 0"; echo "click 60 80"
  button 6; echo "wait 3"
  # Messages: add one and make it scroll.
  tab 3; echo "click -50 -60"; button 6; echo "wait 3"
  # Background and border.
  tab 0; echo "click -300 -250"
  tab 1; button 0; echo "click -250 -130"
  echo "wait 20"
  # Logging on for a few frames, so that the history turns over.
  echo "key ctrl+l"; echo "wait 5"; echo "key ctrl+l"
  # Record a few events, then play them back.
  echo "key ctrl+r"; tab 2; tab 3; echo "wait 3"; echo "key ctrl+r"
  echo "key ctrl+p"; echo "wait 10"
  # Save, load, and the outputs of the scripted user.
  tab 4; button 0; echo "wait 3"; button 3; echo "wait 3"; button 5; echo "wait 3"
  echo "shot card.png"; echo "screen screen.png"; echo "console console.txt"
} > "$work/commands.txt"

cd "$work"
valgrind --tool=memcheck --error-exitcode=1 --leak-check=full \
  --show-leak-kinds=definite,indirect --errors-for-leak-kinds=definite,indirect \
  --track-origins=yes --suppressions="$root/scripts/valgrind.supp" \
  "$program" --input commands.txt 2> valgrind.log || {
  cat valgrind.log >&2
  echo "valgrind: memcheck found errors or leaks" >&2
  exit 1
}
grep -E 'ERROR SUMMARY|definitely lost|indirectly lost|in use at exit|total heap usage' valgrind.log
for f in tobu1.sav card.png screen.png console.txt; do
  [ -s "$f" ] || { echo "valgrind: the session did not write $f" >&2; exit 1; }
done
