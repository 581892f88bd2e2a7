#!/usr/bin/env bash
# Starts the real program under Xvfb, checks the screen it shows, then ends it
# with a click on the exit button.
# Usage: startup_e2e.sh <tintaborra binary> <start picture H.jpg>
set -euo pipefail
binary=$1 start_picture=$2
source "$(dirname "$0")/xvfb_session.sh"

"$binary" 2>"$PROGRAM_ERR" &
app_pid=$!
pids_to_kill+=("$app_pid")
wait_for_window
# Picture1 at Left 3222, Top 3215 twips inside the frame's border; its picture inside its own border.
picture_in_place() {
  import -silent -window root -crop 461x286+345+264 +repage "$ARTEFACTS/picture.png"
  differing=$(compare -metric AE -fuzz 6% "$ARTEFACTS/picture.png" "$start_picture" null: 2>&1 || true)
  [ "${differing%% *}" -lt 500 ] 2>/dev/null
}
wait_until "the start picture is not where the layout puts it" picture_in_place
screenshot startup

[ "$(pixel 60 730)" = "0,128,128" ] || fail "no teal window background at (60, 730): $(pixel 60 730)"
# The frame reaches 50 twips (3 pixels) short of the screen's edges.
[ "$(pixel 1022 400)" = "0,128,128" ] || fail "the frame should end before x = 1021"
[ "$(pixel 1019 400)" != "0,128,128" ] || fail "the frame should reach x = 1020"
# The exit button at the screen's right edge: 932 to 1020 pixels across.
[ "$(pixel 1023 20)" = "0,128,128" ] || fail "teal expected right of the exit button"
[ "$(pixel 976 24)" != "0,128,128" ] || fail "the exit button is not at the right edge"

xdotool mousemove 976 24 click 1
wait_until "the exit button did not end the program" ended "$app_pid"
wait "$app_pid" && echo "PASS: window laid out, exit button ends the program"
