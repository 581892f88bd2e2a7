#!/usr/bin/env bash
# The keyboard right after start-up: Space and Enter on the control that has
# the first focus (the file list) leave the program running, and Enter on a
# focused button presses it.
# Usage: keyboard_e2e.sh <tintaborra binary>   (WM=openbox for a window manager)
set -euo pipefail
binary=$1
source "$(dirname "$0")/xvfb_session.sh"

# Started in an empty folder, so that the file list is empty and Space on it
# selects nothing.
work=$(mktemp -d)
trap 'cleanup; rm -rf "$work"' EXIT
(cd "$work" && exec "$binary" 2>"$PROGRAM_ERR") &
app_pid=$!
pids_to_kill+=("$app_pid")
wait_for_window

xdotool key space Return
# The program handles its input in order: once the open dialog that the click
# below asks for has appeared, Space and Enter have been handled before it.
click 64 24
wait_window "Selecciona una imagen"
kill -0 "$app_pid" 2>/dev/null || fail "Space or Enter right after start-up ended the program"
xdotool key Escape
wait_gone "Selecciona una imagen"

# The click left the focus on the open button: Enter presses it again.
xdotool key Return
wait_window "Selecciona una imagen"
xdotool key Escape
wait_gone "Selecciona una imagen"
kill -0 "$app_pid" 2>/dev/null || fail "the program is no longer running"
echo "PASS: keyboard (window manager: ${WM:-none})"
