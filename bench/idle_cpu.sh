#!/usr/bin/env bash
# Processor time of the card designer in real windows while it waits: on a
# private X server (Xvfb, no window manager), first with animation running
# on the start-state card, then halted (Control+H), over the same span each.
# Prints, for each, the program's CPU time as a share of one core, its
# wake-ups per second, and the X server's CPU share.
#
# Usage: bench/idle_cpu.sh [card-designer] [seconds, default 30]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
program=${1:-$root/build/dev/editor/card-designer}
span=${2:-30}
for tool in /usr/bin/Xvfb /usr/bin/xdotool; do
  [ -x "$tool" ] || { echo "idle_cpu: $tool is not installed (scripts/install-deps.sh)" >&2; exit 1; }
done
[ -x "$program" ] || { echo "idle_cpu: no program at $program (build it first)" >&2; exit 1; }
program=$(realpath "$program")

work=$(mktemp -d)
xvfb_pid=""
program_pid=""
cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The server picks a free display number and writes it when it is ready.
/usr/bin/Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" \
  >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || { echo "idle_cpu: the X server did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"
unset WAYLAND_DISPLAY

(cd "$work" && exec "$program") &
program_pid=$!
window=$(timeout 20 /usr/bin/xdotool search --sync --onlyvisible --name '^KV319 Graphics$' | head -n1)
[ -n "$window" ] || { echo "idle_cpu: the graphics window did not appear" >&2; exit 1; }

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
switches() { awk '/^(voluntary|nonvoluntary)_ctxt_switches/ {n += $2} END {print n}' "/proc/$1/status"; }
hz=$(getconf CLK_TCK)

measure() {
  local label=$1 p0 x0 s0 p1 x1 s1
  p0=$(ticks "$program_pid"); x0=$(ticks "$xvfb_pid"); s0=$(switches "$program_pid")
  sleep "$span"
  p1=$(ticks "$program_pid"); x1=$(ticks "$xvfb_pid"); s1=$(switches "$program_pid")
  awk -v l="$label" -v p=$((p1 - p0)) -v x=$((x1 - x0)) -v s=$((s1 - s0)) -v hz="$hz" -v t="$span" \
    'BEGIN { printf "%-22s card-designer %5.2f%% CPU, %6.1f wake-ups/s; Xvfb %5.2f%% CPU\n",
             l, 100 * p / hz / t, s / t, 100 * x / hz / t }'
}

echo "Over ${span} s each ($DISPLAY, $(basename "$program")):"
sleep 2  # start-up done
measure "animation running:"
/usr/bin/xdotool windowfocus --sync "$window"
/usr/bin/xdotool key ctrl+h
sleep 1
measure "animation halted:"
