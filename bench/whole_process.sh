#!/usr/bin/env bash
# whole_process.sh: figures of the whole headless program, each from fresh
# processes of card-designer-headless, printed as a table:
#   - playback throughput: a script of PLAYBACK_TICKS periodic events played
#     back (Playback Script, Control+P) on the start-state card and on the
#     heavy card, frames per second of the whole process (start-up, the
#     clicks that set the card up, playback and shutdown all counted);
#   - start-up to the first frame presented: a run whose only command closes
#     the graphics window, so its wall time bounds start-up, first frame and
#     shutdown together (median of STARTUP_RUNS);
#   - peak resident memory of the heavy card over MEMORY_TICKS frames, and
#     over 1,000 frames, to show growth;
#   - CPU while halted and while animating under real windows, from
#     bench/idle_cpu.sh when it exists (it needs the real-window program,
#     BUILD_DIR/editor/card-designer).
# Usage: bench/whole_process.sh [BUILD_DIR]   (default build/dev)
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "${1:-$here/../build/dev}" 2>/dev/null && pwd)" || { echo "no build directory ${1:-}" >&2; exit 2; }
runner="$build/tools/card-designer-headless"
[ -x "$runner" ] || { echo "no runner at $runner (build the card-designer-headless target)" >&2; exit 2; }
PLAYBACK_TICKS="${PLAYBACK_TICKS:-10000}"
MEMORY_TICKS="${MEMORY_TICKS:-100000}"
STARTUP_RUNS="${STARTUP_RUNS:-11}"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

# The heavy card: ten Huge flashing spirals, ten Huge scrolling "Will you be
# mine?", a Small bowtie border (card file order, one slot a line).
{
    echo "5 2 0 1 0"
    for i in 0 1 2 3 4 5 6 7 8 9; do echo "2 $((-100 + 35 * i)) $((150 - 30 * i)) $i 1 0 1 3"; done
    for i in 0 1 2 3 4 5 6 7 8 9; do echo "1 $((-130 + 40 * i)) $((-160 + 35 * i)) 0 1 2 3"; done
} > tobu1.sav
# Load it ("Files" tab, "Load 1"), then the "Shape" tab, "Select" and a click
# on the last spiral, then "Shape" for the shape palette.
heavy_setup=$'click 197 230\nclick -250 74\nwait 3\nclick -23 230\nclick -250 144\nclick 215 -120\nwait 1\nclick -250 109\nwait 1\n'

# Wall seconds and peak RSS (KiB) of one run: "SECONDS KIB".
run() { # input-file
    /usr/bin/time -f "%e %M" -o time.out "$runner" --input "$1" --max-ticks 100000000 \
        > /dev/null 2> run.err || { echo "runner failed:" >&2; cat run.err >&2; exit 1; }
    cat time.out
}
wall() { # input-file -> seconds with ms precision
    local t0 t1
    t0=$(date +%s%N)
    "$runner" --input "$1" --max-ticks 100000000 > /dev/null 2> run.err \
        || { echo "runner failed:" >&2; cat run.err >&2; exit 1; }
    t1=$(date +%s%N)
    awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", (b - a) / 1e9 }'
}
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR + 1) / 2)]}'; }

script() { printf 'KV319_PERIODIC(%d);\n' "$1" > KV319.SCR; }

# Playback.
script "$PLAYBACK_TICKS"
printf 'key ctrl+p\n' > start.in
printf '%skey ctrl+p\n' "$heavy_setup" > heavy.in
printf '%s' "$heavy_setup" > heavy-setup.in
start_s=$(wall start.in)
heavy_s=$(wall heavy.in)
heavy_setup_s=$(wall heavy-setup.in)
calc() { awk "BEGIN { printf \"%.0f\", $1 }"; }
start_fps=$(calc "$PLAYBACK_TICKS / $start_s")
heavy_fps=$(calc "$PLAYBACK_TICKS / $heavy_s")
heavy_net=$(calc "$PLAYBACK_TICKS / ($heavy_s - $heavy_setup_s)")

# Start-up to the first frame, bounded by a run that closes at once.
printf 'close graphics\n' > close.in
startup_ms=$(for i in $(seq "$STARTUP_RUNS"); do calc "$(wall close.in) * 1000"; echo; done | median)

# Peak memory of the heavy card.
script 1000
read -r _ rss_1k < <(run heavy.in)
script "$MEMORY_TICKS"
read -r mem_s rss_long < <(run heavy.in)

# CPU under real windows.
idle="not yet measured (bench/idle_cpu.sh does not exist yet)"
idle_report=""
if [ -x "$here/idle_cpu.sh" ]; then
    idle="see below (bench/idle_cpu.sh)"
    idle_report="$("$here/idle_cpu.sh" "$build/editor/card-designer" 2>&1)" ||
        idle="not measured: $(printf '%s' "$idle_report" | tail -1)"
fi

printf '\n%-58s %s\n' "figure" "measured"
printf '%-58s %s\n' "----------------------------------------------------------" "--------"
printf '%-58s %s fps (%s s)\n' "playback, $PLAYBACK_TICKS ticks, start-state card, whole process" "$start_fps" "$start_s"
printf '%-58s %s fps (%s s; %s fps less set-up)\n' "playback, $PLAYBACK_TICKS ticks, heavy card, whole process" "$heavy_fps" "$heavy_s" "$heavy_net"
printf '%-58s %s ms (median of %s)\n' "start-up + first frame + shutdown, headless" "$startup_ms" "$STARTUP_RUNS"
printf '%-58s %s MB after %s frames (%s s); %s MB after 1000\n' "peak resident memory, heavy card" \
    "$(awk "BEGIN { printf \"%.1f\", $rss_long / 1024 }")" "$MEMORY_TICKS" "$mem_s" \
    "$(awk "BEGIN { printf \"%.1f\", $rss_1k / 1024 }")"
printf '%-58s %s\n' "CPU while animating / halted, real windows under Xvfb" "$idle"
[ -n "$idle_report" ] && printf '\n%s\n' "$idle_report"
exit 0
