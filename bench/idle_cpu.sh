#!/usr/bin/env bash
# Processor time of the card designer in real windows, on a private X server
# (Xvfb, no window manager), over the same span for each of:
#   1. the start-state card with animation running (10 frames a second);
#   2. the start-state card with animation halted (Control+H);
#   3. the heavy card (ten Huge flashing spirals, ten Huge scrolling
#      greetings, a Small bowtie border, the shape palette; loaded from a
#      card file with clicks) with animation running.
# For each: the program's CPU time as a share of one core (from the
# scheduler's nanosecond count, all threads), its wake-ups a second
# (voluntary context switches), and the X server's share. While halted the
# program still wakes for its 100 ms timer; a loop that does nothing but
# sleep 100 ms at a time is measured beside it as the floor of ten
# wake-ups a second on this machine.
#
# Where perf can sample the program, the heavy card's time is split: the
# frame's drawing, the copy of the image to the window, the present to the
# window system, and the rest (waiting, waking, input, timers).
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
floor_pid=""
cleanup() {
  for p in "$program_pid" "$floor_pid" "$xvfb_pid"; do
    [ -n "$p" ] && kill "$p" 2>/dev/null || true
  done
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

# The heavy card, in slot 1 (card file order, one slot a line).
{
  echo "5 2 0 1 0"
  for i in 0 1 2 3 4 5 6 7 8 9; do echo "2 $((-100 + 35 * i)) $((150 - 30 * i)) $i 1 0 1 3"; done
  for i in 0 1 2 3 4 5 6 7 8 9; do echo "1 $((-130 + 40 * i)) $((-160 + 35 * i)) 0 1 2 3"; done
} >"$work/tobu1.sav"

(cd "$work" && exec "$program" >"$work/program.out" 2>&1) &
program_pid=$!
window=$(timeout 20 /usr/bin/xdotool search --sync --onlyvisible --name '^KV319 Graphics$' | head -n1)
[ -n "$window" ] || { echo "idle_cpu: the graphics window did not appear" >&2; exit 1; }

# CPU nanoseconds of a process, all its threads.
cpu_ns() {
  cat /proc/"$1"/task/*/sched 2>/dev/null |
    awk '/^se.sum_exec_runtime/ {ms += $3} END {printf "%d", ms * 1e6}'
}
switches() {
  cat /proc/"$1"/task/*/status 2>/dev/null | awk '/^voluntary_ctxt_switches/ {n += $2} END {print n}'
}
alive() { kill -0 "$program_pid" 2>/dev/null || { echo "idle_cpu: the program ended:" >&2; cat "$work/program.out" >&2; exit 1; }; }

# A click at graphics coordinates (x, y): the client's centre is the origin,
# y upward; the native window shows the menu bar (19 rows) above the client.
click() {
  /usr/bin/xdotool mousemove --window "$window" $((300 + $1)) $((250 - $2 + 19)) click 1
  sleep 0.4
}

share() { awk -v n="$1" -v t="$span" 'BEGIN { printf "%5.2f%%", 100 * n / 1e9 / t }'; }

measure() {
  local label=$1 p0 x0 s0 f0 p1 x1 s1 f1
  alive
  p0=$(cpu_ns "$program_pid"); x0=$(cpu_ns "$xvfb_pid"); s0=$(switches "$program_pid")
  [ -n "$floor_pid" ] && f0=$(cpu_ns "$floor_pid")
  sleep "$span"
  alive
  p1=$(cpu_ns "$program_pid"); x1=$(cpu_ns "$xvfb_pid"); s1=$(switches "$program_pid")
  printf '%-30s card-designer %s CPU, %6.1f wake-ups/s; Xvfb %s CPU\n' "$label" \
    "$(share $((p1 - p0)))" "$(awk -v s=$((s1 - s0)) -v t="$span" 'BEGIN { print s / t }')" \
    "$(share $((x1 - x0)))"
  if [ -n "$floor_pid" ]; then
    f1=$(cpu_ns "$floor_pid")
    printf '%-30s %s CPU\n' "  a bare 100 ms sleep loop:" "$(share $((f1 - f0)))"
  fi
}

echo "Over ${span} s each ($DISPLAY, $(basename "$program"), load average $(cut -d' ' -f1 /proc/loadavg)):"
sleep 2  # start-up done
measure "start card, animating:"

/usr/bin/xdotool windowfocus --sync "$window"
/usr/bin/xdotool key ctrl+h
sleep 1
perl -e 'select(undef, undef, undef, 0.1) while 1' &
floor_pid=$!
measure "start card, halted:"
kill "$floor_pid" 2>/dev/null || true
wait "$floor_pid" 2>/dev/null || true
floor_pid=""

# "Files" tab, "Load 1"; then the "Shape" tab, "Select", a click on the
# last spiral, and "Shape" for the shape palette. Animation runs again.
click 197 230
click -250 74
sleep 0.5
click -23 230
click -250 144
click 215 -120
click -250 109
/usr/bin/xdotool key ctrl+a
sleep 1
measure "heavy card, animating:"

if command -v perf >/dev/null && perf record -q -o "$work/probe.data" true >/dev/null 2>&1; then
  sample=$((span < 10 ? span : 10))
  perf record -q --call-graph dwarf -F 999 -p "$program_pid" -o "$work/perf.data" \
    -- sleep "$sample" >/dev/null 2>&1 || true
  perf report -i "$work/perf.data" --children --sort sym -g none --stdio 2>/dev/null >"$work/report" || true
  # Inclusive shares of the main loop's parts; the wait includes the copy
  # and the present, which it makes.
  pct() { awk -v s="$1" '$0 ~ s { gsub("%", "", $1); print $1; exit }' "$work/report"; }
  main=$(pct '\] WinMain$'); wait_share=$(pct '\] KV319_await_event$')
  copy=$(pct '\] copy_image_to_window$'); present=$(pct '\] ws::wm_present_all$')
  if [ -n "$main" ] && [ -n "$wait_share" ]; then
    awk -v m="$main" -v w="$wait_share" -v c="${copy:-0}" -v p="${present:-0}" -v s="$sample" 'BEGIN {
      printf "  heavy card, where the time goes (perf, %d s, shares of the program'"'"'s samples):\n", s
      printf "    drawing the frame %5.1f%%, image copy %5.1f%%, present %5.1f%%, rest %5.1f%%\n",
             m - w, c, p, 100 - (m - w) - c - p }'
  else
    echo "  (perf could not attribute the samples)"
  fi
else
  echo "  (perf is not available here: no split of the heavy card's time)"
fi
