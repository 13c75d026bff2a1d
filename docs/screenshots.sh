#!/usr/bin/env bash
# Makes every screenshot of the documentation again, through the headless
# runner, into docs/images/: the card designer (a composed card, the Run
# menu), a saved card made an animated GIF by card-picture, and the two
# examples (bounce, sketch and its line-input dialog).
# The runner is deterministic, so a picture changes only when the program
# draws differently.
#
#   docs/screenshots.sh [BUILD_DIR]      (default build/dev, configured if needed)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/dev}
case $build in /*) ;; *) build=$PWD/$build ;; esac
images=$root/docs/images
cd "$root"

if [ ! -f "$build/build.ninja" ]; then
  cmake --preset dev >/dev/null
fi
cmake --build "$build" --target card-designer-headless card-picture bounce-headless sketch-headless >/dev/null

work=$(mktemp -d /tmp/kv319_screenshots_XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$images"

# Runs PROGRAM in a fresh directory with the commands on standard input
# (more options after it), then copies the PNGs it wrote into docs/images.
# The directory stays, as $run_dir, for the card files saved there.
shoot() {
  local program=$1; shift
  local dir
  dir=$(mktemp -d "$work/run_XXXXXX")
  run_dir=$dir
  (cd "$dir" && "$program" "$@") || { echo "screenshots: $program failed" >&2; exit 1; }
  for png in "$dir"/*.png; do
    [ -e "$png" ] || continue
    cp "$png" "$images/"
    echo "  docs/images/$(basename "$png")"
  done
}

designer=$build/tools/card-designer-headless
echo "Card designer:"
# Tabs lie along the top at y = 230, x = -243 + 110 n; item buttons down the
# left at x = -250, y = 179 - 35 n; the colour palette's cells are 34 x 18
# from (-300, -250).
shoot "$designer" --screen 601x540 <<'EOF'
# Background: pink
click -243 230
click -181 -223
wait 2
# Border: the bowtie pattern in red
click -133 230
click -250 179
click -266 -168
click -250 109
click -283 -151
wait 2
# Shapes: a red heart, a gold starburst, a yellow face
click -23 230
click 70 40
wait 2
click -250 74
click -283 -151
wait 2
click -250 179
click 190 120
wait 2
click -198 -223
click -250 74
click -215 -169
wait 2
click -250 179
click -60 -90
wait 2
click -198 -168
wait 2
click -250 74
click -215 -151
wait 2
# A message: "Will you be mine?"
click 87 230
click -80 105
wait 2
click -250 -222
wait 2
shot card-designer.png
EOF
shoot "$designer" --screen 601x540 <<'EOF'
wait 2
click-screen 20 29
wait 1
screen run-menu.png
EOF

echo "card-picture:"
# A card with an effect on every item, saved to slot 1, then two seconds of
# it as an animated GIF.
shoot "$designer" --screen 601x540 <<'EOF'
# Background: pink
click -243 230
click -181 -223
wait 2
# Border: the bowtie pattern in red
click -133 230
click -250 179
click -266 -168
click -250 109
click -283 -151
wait 2
# A red heart that pulses and flashes (Shape Color, Animate, Flash)
click -23 230
click -20 60
wait 2
click -250 74
click -283 -151
wait 2
click -250 -31
wait 3
click -250 -66
wait 3
# A gold spiral that turns and flashes
click -250 179
click 180 110
wait 2
click -266 -168
wait 2
click -250 74
click -215 -169
wait 2
click -250 -31
wait 3
click -250 -66
wait 3
# A yellow face that blinks
click -250 179
click 170 -90
wait 2
click -198 -168
wait 2
click -250 74
click -215 -151
wait 2
click -250 -66
wait 3
# "Will you be mine?", scrolling
click 87 230
click -100 -140
wait 2
click -250 -222
wait 2
click -250 -31
wait 3
# Files: Save 1
click 197 230
click -250 179
wait 3
EOF
"$build/tools/card-picture" --frames 20 "$run_dir/tobu1.sav" "$images/card-picture.gif"
echo "  docs/images/card-picture.gif"

echo "Examples:"
shoot "$build/examples/bounce/bounce-headless" <<'EOF'
click 60 40
wait 7
shot bounce.png
EOF
shoot "$build/examples/sketch/sketch-headless" --screen 601x540 <<'EOF'
# A house: walls, roof, door, then its name
key w
key w
click -120 -120
click 120 -120
click 120 40
click -120 40
click -120 -120
key n
click -140 40
click 0 150
click 140 40
key n
key k
click -30 -120
click -30 -40
click 30 -40
click 30 -120
key n
click -110 -190
key t
type Home, sweet home
screen sketch-dialog.png
key Enter
shot sketch.png
EOF
