#!/usr/bin/env bash
# The guides against what they describe.
#
#   docs_reference_test.sh runtime HEADER GUIDE
#     The reference in docs/runtime.md against kv319.h: every operation and
#     constant of the header is listed with the header's own one-line
#     summary, and the reference names nothing that the header lacks.
#
#   docs_reference_test.sh controls GUIDE RUNNER WORK_DIR
#     The table of the card designer's controls in docs/headless.md against
#     the program: for every entry, its two corners and its click point,
#     clicked through the headless runner, press that tab or button (seen in
#     a shot) or pick that value (seen in a saved card file).
set -euo pipefail
status=0
complain() { echo "FAIL: $*" >&2; status=1; }

check_runtime_reference() {
  local header=$1 guide=$2 line name value summary

  # Operations: "int KV319_name(...);  // summary"
  while IFS= read -r line; do
    name=$(sed -E 's/^int (KV319_[a-z_]+)\(.*$/\1/' <<<"$line")
    summary=$(sed -E 's|^[^/]*// *||' <<<"$line")
    grep -F "| \`$name(" "$guide" | grep -qF "| $summary |" ||
      complain "$name is not in the reference with \"$summary\""
  done < <(grep -E '^int KV319_[a-z_]+\(.*\); *// ' "$header")

  # Constants: "#define NAME value  // summary", apart from internal ones.
  while IFS= read -r line; do
    read -r _ name value _ <<<"$line"
    summary=$(sed -E 's|^[^/]*// *||' <<<"$line")
    [[ $summary == internal:* ]] && continue
    grep -qF "| \`$name\` | $value | $summary |" "$guide" ||
      complain "$name ($value) is not in the reference with \"$summary\""
  done < <(grep -E '^#define (EVENT|ANIMATE)_[A-Z_]+ .*// ' "$header")

  # Nothing in the reference that the header does not declare.
  for name in $(grep -oE '^\| `KV319_[a-z_]+\(' "$guide" | grep -oE 'KV319_[a-z_]+' | sort -u); do
    grep -qE "^int $name\(" "$header" || complain "the reference lists $name, which kv319.h lacks"
  done
}

# ---- The card designer's controls -------------------------------------------
# Written without a process per entry or per click: the machine that runs
# the tests is often busy, and a fork there costs more than a click.

# A coordinate as the guide writes it ("-300 + 110i", "198 - 35j (197 for
# j = 0)") into the variable VAR, with the entry's indices given as
# NAME=VALUE words; "?" when it cannot be read.
evaluate() {  # VAR EXPR NAME=VALUE...
  local var=$1 expr=$2 v
  shift 2
  for v in "$@"; do local "$v"; done
  if [[ $expr =~ ^(.*)\ \((-?[0-9]+)\ for\ ([a-z])\ =\ ([0-9]+)\)\ *$ ]]; then
    local special=${BASH_REMATCH[2]} name=${BASH_REMATCH[3]} at=${BASH_REMATCH[4]}
    expr=${BASH_REMATCH[1]}
    if [ "${!name:-}" = "$at" ]; then expr=$special; fi
  fi
  while [[ $expr =~ ^(.*[0-9])([a-z].*)$ ]]; do expr="${BASH_REMATCH[1]}*${BASH_REMATCH[2]}"; done
  if [[ $expr =~ ^[-+*0-9a-z\ ]+$ ]]; then printf -v "$var" '%d' $((expr)); else printf -v "$var" '?'; fi
}

# The entries of a row, as words in the array ENTRIES: "i=0", "c=0 r=1",
# or one empty word; "?" when they cannot be read.
entries() {  # "i = 0..4" | "c = 0..3, r = 0..5" | ""
  local part o v name from to
  local -a parts=() next
  ENTRIES=("")
  [[ $1 =~ [^\ ] ]] && IFS=',' read -ra parts <<<"$1"
  for part in "${parts[@]}"; do
    [[ $part =~ ^\ *([a-z])\ =\ ([0-9]+)\.\.([0-9]+)\ *$ ]] || { ENTRIES=("?"); return; }
    name=${BASH_REMATCH[1]} from=${BASH_REMATCH[2]} to=${BASH_REMATCH[3]}
    next=()
    for o in "${ENTRIES[@]}"; do
      for ((v = from; v <= to; v++)); do next+=("${o:+$o }$name=$v"); done
    done
    ENTRIES=("${next[@]}")
  done
}

check_controls() {
  local guide=$1 runner=$2 work=$3
  # ImageMagick reads the shots' pixels; the one under /usr/bin, since
  # another convert may come first on PATH.
  local convert=/usr/bin/convert
  [ -x "$convert" ] || { complain "ImageMagick's $convert is missing (scripts/install-deps.sh installs imagemagick)"; return; }
  [ -x "$runner" ] || { complain "no headless runner at $runner"; return; }
  runner=$(realpath "$runner")  # the runs happen in directories of their own
  rm -rf "$work"
  mkdir -p "$work"

  local section
  section=$(awk '/^## Where the card designer.s controls are/ { on = 1; next } /^## / { on = 0 } on' "$guide")
  [ -n "$section" ] || { complain "$guide has no section \"Where the card designer's controls are\""; return; }
  local -a lines
  mapfile -t lines <<<"$section"

  # The palette table: PALETTE[c,r] is the colour index of cell (c, r).
  local -A PALETTE=()
  local line c r
  local -a cells
  for line in "${lines[@]}"; do
    [[ $line =~ ^\|\ ([0-5])\ \|(\ [0-9]+\ [^|]*\|){4}$ ]] || continue
    r=${BASH_REMATCH[1]}
    IFS='|' read -ra cells <<<"$line"
    for c in 0 1 2 3; do
      read -r "PALETTE[$c,$r]" _ <<<"${cells[c + 2]}"
    done
  done
  [ ${#PALETTE[@]} -eq 24 ] || complain "the palette table has ${#PALETTE[@]} cells, not 24"

  # The controls table. ENTRY: each entry as "KIND NAME=VALUE..."; POINTS:
  # its three points to check, "x y" each: the corner where both ranges
  # start, the one where both end, and the click point; CENTRE: the click
  # point by entry, for getting somewhere.
  local -a ENTRY=() POINTS=() ENTRIES indices
  local -A CENTRE=() seen=()
  local in_table=0 kind e x0 x1 y0 y1 ax ay xr yr at
  for line in "${lines[@]}"; do
    if [[ $line == "| control |"* ]]; then in_table=1; continue; fi
    [ $in_table -eq 1 ] || continue
    [[ $line == "|"* ]] || break
    IFS='|' read -ra cells <<<"$line"
    case "${cells[1]}" in
      " tab "*) kind=tab ;;
      " item button "*) kind=item ;;
      " card "*) kind=card ;;
      " colour palette cell "*) kind=colour ;;
      " shape palette cell "*) kind=shape ;;
      " border list sample "*) kind=border ;;
      ' border list "No border" '*) kind=no-border ;;
      " size list row "*) kind=size ;;
      " message list row "*) kind=message ;;
      " speed list row "*) kind=speed ;;
      "---"*) continue ;;
      *) complain "the controls table has a row this test does not know: ${cells[1]}"; continue ;;
    esac
    seen[$kind]=1
    xr=${cells[3]} yr=${cells[4]} at=${cells[5]}
    entries "${cells[2]}"
    for e in "${ENTRIES[@]}"; do
      read -ra indices <<<"$e"
      evaluate x0 "${xr%%,*}" "${indices[@]}"
      evaluate x1 "${xr#*,}" "${indices[@]}"
      evaluate y0 "${yr%%,*}" "${indices[@]}"
      evaluate y1 "${yr#*,}" "${indices[@]}"
      evaluate ax "${at%%,*}" "${indices[@]}"
      evaluate ay "${at#*,}" "${indices[@]}"
      if [[ "$e$x0$x1$y0$y1$ax$ay" == *"?"* ]]; then
        complain "$kind: cannot read \"${cells[2]}\", \"$xr\", \"$yr\" or \"$at\""
        break
      fi
      ENTRY+=("$kind${e:+ $e}")
      POINTS+=("$x0 $y0,$x1 $y1,$ax $ay")
      CENTRE["$kind${e:+ $e}"]="$ax $ay"
    done
  done
  for kind in tab item card colour shape border no-border size message speed; do
    [ -n "${seen[$kind]:-}" ] || complain "the controls table has no row for the $kind"
  done
  [ $status -eq 0 ] || return 0

  # Each point is checked by a few commands to the scripted user and what
  # must come of them: a tab or item button pressed (its upper-left bevel
  # black in a shot), or a value in a saved card file. Checks that add a
  # shape or a message use a slot each, ten of either to a card; those of
  # the border save the card at once, to slot 1 or 2; slot 3 keeps the
  # shapes and messages, saved at the end of each run.
  local -a free=() shape_checks=() message_checks=() border_checks=() points
  local k n
  for k in "${!ENTRY[@]}"; do
    IFS=',' read -ra points <<<"${POINTS[k]}"
    for n in 0 1 2; do
      case ${ENTRY[k]%% *} in
        tab) free+=("$k ${points[n]}") ;;
        item | card | colour | shape | size) shape_checks+=("$k ${points[n]}") ;;
        message | speed) message_checks+=("$k ${points[n]}") ;;
        border | no-border) border_checks+=("$k ${points[n]}") ;;
      esac
    done
  done

  local -a script expected
  local shape_slot message_slot save_slot slot shots
  click() {  # the click point of an entry
    [ -n "${CENTRE[$1]:-}" ] || { echo "FAIL: the controls table has no entry \"$1\"" >&2; exit 1; }
    script+=("click ${CENTRE[$1]}")
  }
  save() { click "tab i=4"; click "item j=$(($1 - 1))"; script+=("wait 3"); }  # "Save 1" is item 0
  new_slot() {  # shape|message: a new one at the card's click point, its list showing
    if [ "$1" = shape ]; then
      click "tab i=2"
      slot=$shape_slot shape_slot=$((shape_slot + 1))
    else
      click "tab i=3"
      slot=$message_slot message_slot=$((message_slot + 1))
    fi
    click "item j=0"
    click card
  }
  # Shape slot s field f is number 5 + 8s + f of a card file, message
  # slot s field f number 85 + 7s + f.
  field() {  # shape|message FIELD VALUE
    local n=$((85 + 7 * slot + $2))
    [ "$1" = message ] || n=$((5 + 8 * slot + $2))
    expected+=("field tobu3.sav $n $3 $what")
  }
  pressed() {  # X Y of the bevel pixel in a shot
    shots=$((shots + 1))
    script+=("shot shot-$shots.png")
    expected+=("pixel shot-$shots.png $1,$2 000000 $what")
  }

  add_check() {  # "ENTRY-INDEX X Y"
    local k x y kind vars c=0 r=0 a=0 b=0 i=0 j=0 point what v
    read -r k x y <<<"$1"
    read -r kind vars <<<"${ENTRY[k]}"
    for v in $vars; do local "$v"; done
    point="$x $y" what="${ENTRY[k]}: a click at ($x, $y)"
    pick() { click "$1"; script+=("click $point"); }  # another entry first
    case $kind in
      tab) pick "tab i=$(((i + 1) % 5))"; pressed $((4 + 110 * i)) 4 ;;
      item)
        new_slot shape
        pick "item j=$((j == 0 ? 1 : 0))"
        pressed 4 $((56 + 35 * j))
        [ "$j" -lt 6 ] || script+=("wait 3")  # the pause of a button that acts at once
        [ "$j" -ne 8 ] || shape_slot=$((shape_slot - 1))  # "Remove" frees the slot
        ;;
      card)
        click "tab i=2"
        click "item j=0"
        script+=("click $point")
        slot=$shape_slot shape_slot=$((shape_slot + 1))
        field shape 1 "$x"
        field shape 2 "$y"
        ;;
      colour) new_slot shape; click "item j=3"; pick "colour c=$(((c + 1) % 4)) r=$r"; field shape 3 "${PALETTE[$c,$r]}" ;;
      shape) new_slot shape; pick "shape a=$((1 - a)) b=$b"; field shape 0 $((a + 2 * b)) ;;
      size) new_slot shape; click "item j=5"; pick "size i=$(((i + 1) % 4))"; field shape 7 "$i" ;;
      message) new_slot message; pick "message i=$(((i + 1) % 7))"; field message 0 "$i" ;;
      speed) new_slot message; click "item j=5"; pick "speed i=$(((i + 1) % 5))"; field message 5 "$i" ;;
      border | no-border)
        save_slot=$((save_slot + 1))
        click "tab i=1"
        if [ "$kind" = border ]; then
          pick "border a=$((1 - a)) b=$b"
        else
          pick "border a=0 b=0"
          a=-1 b=0
        fi
        save $save_slot
        expected+=("field tobu$save_slot.sav 1 $((a + 2 * b)) $what")
        ;;
    esac
  }

  local run=0 dir type file place want what
  local -a crops pixels numbers
  local -A cards
  while [ $((${#free[@]} + ${#shape_checks[@]} + ${#message_checks[@]} + ${#border_checks[@]})) -gt 0 ]; do
    run=$((run + 1)) script=() expected=() shape_slot=0 message_slot=0 save_slot=0 shots=0
    for e in "${free[@]}"; do add_check "$e"; done
    free=()
    while [ $shape_slot -lt 10 ] && [ ${#shape_checks[@]} -gt 0 ]; do
      add_check "${shape_checks[0]}"
      shape_checks=("${shape_checks[@]:1}")
    done
    while [ $message_slot -lt 10 ] && [ ${#message_checks[@]} -gt 0 ]; do
      add_check "${message_checks[0]}"
      message_checks=("${message_checks[@]:1}")
    done
    while [ $save_slot -lt 2 ] && [ ${#border_checks[@]} -gt 0 ]; do
      add_check "${border_checks[0]}"
      border_checks=("${border_checks[@]:1}")
    done
    save 3

    dir=$work/run-$run
    mkdir -p "$dir"
    printf '%s\n' "${script[@]}" >"$dir/commands.txt"
    if ! (cd "$dir" && "$runner" --input commands.txt >out.txt 2>err.txt); then
      complain "the runner failed in $dir: $(cat "$dir/err.txt")"
      continue
    fi
    # Every pixel to check, read by one convert: one 1x1 crop of each shot
    # appended into a column, written as text, a line per pixel.
    crops=()
    for e in "${expected[@]}"; do
      read -r type file place want what <<<"$e"
      [ "$type" = pixel ] && crops+=("(" "$dir/$file" -crop "1x1+${place%,*}+${place#*,}" +repage ")")
    done
    pixels=()
    if [ ${#crops[@]} -gt 0 ]; then
      mapfile -t pixels < <("$convert" "${crops[@]}" -append -depth 8 txt:- | grep -oE '#[0-9A-F]{6}')
    fi
    cards=()
    for file in tobu1.sav tobu2.sav tobu3.sav; do
      numbers=()
      [ ! -f "$dir/$file" ] || IFS=$' \n' read -r -d '' -a numbers <"$dir/$file" || true
      cards[$file]="${numbers[*]}"
    done
    n=0
    for e in "${expected[@]}"; do
      read -r type file place want what <<<"$e"
      if [ "$type" = pixel ]; then
        [ "${pixels[n]:-}" = "#$want" ] || complain "$what did not press it ($dir/$file)"
        n=$((n + 1))
      else
        read -ra numbers <<<"${cards[$file]}"
        [ "${numbers[place]:-}" = "$want" ] ||
          complain "$what gave ${numbers[place]:-nothing}, the guide says $want ($dir)"
      fi
    done
  done
}

case ${1:-} in
  runtime) check_runtime_reference "$2" "$3" ;;
  controls) check_controls "$2" "$3" "$4" ;;
  *) echo "usage: $0 runtime HEADER GUIDE | controls GUIDE RUNNER WORK_DIR" >&2; exit 2 ;;
esac
exit $status
