#!/usr/bin/env bash
# A whole filter run through the window with a real X server: the real
# program under Xvfb, each filter right after a fresh load of the picture
# (so the first run after a load is what is measured), from the click on the
# filter's button to the appearance of "Dibujo terminado". The click's moment
# is taken before xdotool starts, so its own start-up (about 10 ms) counts
# against us; the message's moment is the server's map of its window, as xev
# reports it. Beside each figure,
# the same picture through ImageMagick's `convert IN -fill white +opaque black
# OUT` in the same session, and the ratio of the two.
# Usage: bench/xvfb_run.sh [build dir] [WxH ...]   (default: 4000x3000 10000x10000)
set -euo pipefail
build=$(realpath "${1:-build}")
shift || true
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(4000x3000 10000x10000)
here=$(dirname "$(realpath "$0")")
source "$here/../tests/e2e/xvfb_session.sh"
work=$(mktemp -d)
trap 'cleanup; rm -rf "$work"' EXIT

OPEN=(64 24) GREYTYPE=(64 372) WHITEN=(64 316) REMOVE=(64 648)
PIC_X=345 PIC_Y=264

now() { date +%s.%N; }
maps="$work/maps"
# idle PID: waits until the process has used no processor time for 0.3 s.
idle() {
  local last="" cur
  for _ in $(seq 600); do
    cur=$(awk '{print $14 + $15}' "/proc/$1/stat")
    [ "$cur" = "$last" ] && return 0
    last=$cur
    sleep 0.3
  done
  fail "the program stayed busy"
}
# shown_since T: the moment the first window titled "Tintaborra" (the
# message) was mapped after T, read from $maps; fails while there is none.
shown_since() {
  local at id
  while read -r at id; do
    if awk "BEGIN{exit !($at > $1)}" && [ "$(xdotool getwindowname "$id" 2>/dev/null)" = Tintaborra ]; then
      echo "$at"
      return 0
    fi
  done <"$maps"
  return 1
}

"$build/src/tintaborra" 2>"$work/stderr" &
app_pid=$!
pids_to_kill+=("$app_pid")
wait_for_window
# Every window the server maps, with the moment it was mapped: "SECONDS ID".
: >"$maps"
stdbuf -oL xev -root -event substructure 2>/dev/null | while IFS= read -r line; do
  case $line in
    MapNotify*) at=$EPOCHREALTIME ;;
    *"event 0x"*", window 0x"*)
      if [ -n "${at:-}" ]; then
        id=${line##*window }
        echo "$at ${id%%,*}" >>"$maps"
        at=
      fi
      ;;
  esac
done &
pids_to_kill+=($!)

echo "machine: $(nproc) cores; figures in seconds"
for size in "${sizes[@]}"; do
  w=${size%x*} h=${size#*x}
  "$build/tests/e2e/e2e_check" make "$work/in.bmp" "$w" "$h"
  start=$(now)
  convert "$work/in.bmp" -fill white +opaque black "$work/out.bmp"
  reference=$(echo "$(now) - $start" | bc -l)
  for filter in REMOVE GREYTYPE WHITEN; do
    click "${OPEN[@]}"
    wait_window "Selecciona una imagen"
    xdotool type --delay 5 "$work/in.bmp"
    xdotool key Return
    wait_gone "Selecciona una imagen"
    idle "$app_pid"
    if [ "$filter" = REMOVE ]; then
      xdotool mousemove $((PIC_X + 40)) $((PIC_Y + 40)) sleep 0.1 click 1
      idle "$app_pid"
    fi
    declare -n at=$filter
    xdotool mousemove "${at[@]}"
    start=$EPOCHREALTIME
    xdotool click 1
    wait_until "the message after the run" shown_since "$start" >/dev/null
    took=$(echo "$(shown_since "$start") - $start" | bc -l)
    xdotool key Return
    wait_gone "^Tintaborra$"
    printf '%-11s %-8s run %6.3f   convert %6.3f   ratio %5.2f\n' "$size" "$filter" "$took" "$reference" \
      "$(echo "$took / $reference" | bc -l)"
  done
done
