# Sourced by the end-to-end tests: starts a private Xvfb at 1024 x 768 (SCREEN
# to change it, with the window's teal at WINDOW_POINT, "60 730" unless set) and
# cleans up on exit. Sets DISPLAY and ARTEFACTS (screenshots of failures).
# Every wait is for a condition the next step needs, with a ceiling generous
# enough for the sanitized build on a busy machine (CEILING seconds, 90 unless
# set); nothing depends on how long a step takes.
set -euo pipefail
ARTEFACTS=${ARTEFACTS:-$PWD/e2e-artefacts}
CEILING=${CEILING:-90}
mkdir -p "$ARTEFACTS"

# wait_until DESCRIPTION COMMAND...: runs COMMAND until it succeeds; fails the
# test with DESCRIPTION when it has not within the ceiling, followed by what
# the command in $explain (a caller's local) prints then.
wait_until() {
  local what=$1 deadline=$((SECONDS + CEILING))
  shift
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || fail "$what$(${explain:-true}) (after ${CEILING} s)"
    sleep 0.05
  done
}

fd_file=$(mktemp)
XVFB_ERR="$ARTEFACTS/xvfb-stderr-$$.txt"
# Without -noreset the server starts over each time its last client leaves: a
# client of the test's own (xdotool, xprop, import) that comes and goes before
# the program or the window manager connects would make their connection fail.
Xvfb -displayfd 3 -screen 0 "${SCREEN:-1024x768}x24" -nolisten tcp -noreset 3>"$fd_file" 2>"$XVFB_ERR" &
xvfb_pid=$!
pids_to_kill=("$xvfb_pid")
# The server and the programs are gone before the next test starts its own.
cleanup() {
  kill "${pids_to_kill[@]}" 2>/dev/null || true
  wait "${pids_to_kill[@]}" 2>/dev/null || true
  rm -f "$fd_file"
  [ -s "${PROGRAM_ERR:-}" ] || rm -f "${PROGRAM_ERR:-}"
  [ -n "${keep_xvfb_err:-}" ] || rm -f "$XVFB_ERR"
}
trap cleanup EXIT
# Xvfb writes its display number once it accepts connections.
deadline=$((SECONDS + CEILING))
until [ -s "$fd_file" ]; do
  kill -0 "$xvfb_pid" 2>/dev/null || { echo "FAIL: Xvfb did not start" >&2; exit 1; }
  [ "$SECONDS" -lt "$deadline" ] || { echo "FAIL: Xvfb gave no display" >&2; exit 1; }
  sleep 0.05
done
export DISPLAY=":$(tr -d '[:space:]' <"$fd_file")"
unset QT_QPA_PLATFORM
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}

# pixel X Y: the colour at (X, Y) of the screen as "r,g,b".
pixel() { import -silent -window root -crop "1x1+$1+$2" -depth 8 txt:- | sed -n 2p | sed -E 's/.*\(([0-9]+),([0-9]+),([0-9]+).*/\1,\2,\3/'; }
screenshot() { import -silent -window root "$ARTEFACTS/$1.png"; }
# What the program writes to standard error: shown with any failure, so that a
# crash (a sanitizer's report, an abort) is told by the program itself.
PROGRAM_ERR="$ARTEFACTS/program-stderr-$$.txt"
: >"$PROGRAM_ERR"
fail() {
  echo "FAIL: $*" >&2
  screenshot "failure-$(date +%s)" 2>/dev/null || true
  if [ -s "$PROGRAM_ERR" ]; then
    echo "--- the program's standard error:" >&2
    tail -n 60 "$PROGRAM_ERR" >&2
  fi
  # The server's own account, kept with the artefacts, when it has ended.
  if ! kill -0 "$xvfb_pid" 2>/dev/null; then
    keep_xvfb_err=1
    echo "--- Xvfb had ended; its standard error:" >&2
    tail -n 30 "$XVFB_ERR" >&2
  fi
  exit 1
}
is_pixel() { [ "$(pixel "$1" "$2")" = "$3" ]; }
# wait_pixel X Y COLOUR [WHAT]: waits until the screen shows COLOUR at (X, Y).
shown_at() { echo " (it shows $(pixel "$1" "$2"))"; }
wait_pixel() {
  local explain="shown_at $1 $2"
  wait_until "${4:+$4: }($1, $2) never showed $3" is_pixel "$1" "$2" "$3"
}

# The server answers a client before anything is started on it: a program
# that cannot connect ends at once ("could not connect to display").
wait_until "Xvfb on $DISPLAY does not answer" eval 'xdpyinfo >/dev/null 2>&1'

# The window manager, when asked for (WM=openbox), owns the screen before the
# program starts.
if [ "${WM:-none}" = openbox ]; then
  openbox --sm-disable >/dev/null 2>&1 &
  pids_to_kill+=("$!")
  wait_until "openbox did not take the screen" eval 'xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"'
fi

# The id of the visible window whose name matches NAME and which has the keyboard focus.
focused_named() {
  local w ids
  w=$(xdotool getwindowfocus 2>/dev/null) && ids=$(xdotool search --onlyvisible --name "$1" 2>/dev/null) && grep -qx "$w" <<<"$ids"
}
visible_named() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }
# wait_window NAME: waits until a window whose name matches NAME is shown and
# has the keyboard focus, so that keys typed next reach it.
wait_window() { wait_until "no window named '$1' came up with the focus" focused_named "$1"; }
# wait_gone NAME: waits until no visible window matches NAME.
not_visible_named() { ! visible_named "$1"; }
wait_gone() { wait_until "the window named '$1' did not close" not_visible_named "$1"; }
# wait_for_window: the program's window is shown and painted (its teal background).
# A program that ended fails the wait at once.
wait_for_window() {
  window_or_end() {
    [ -z "${app_pid:-}" ] || kill -0 "$app_pid" 2>/dev/null || fail "the program ended before its window appeared"
    xdotool search --onlyvisible --class tintaborra >/dev/null 2>&1
  }
  wait_until "the window did not appear" window_or_end
  wait_pixel ${WINDOW_POINT:-60 730} 0,128,128
}
# wait_exit PID: waits until the process has ended.
ended() { ! kill -0 "$1" 2>/dev/null; }
wait_exit() { wait_until "process $1 did not end" ended "$1"; }
# wait_file PATH: waits until PATH exists and is not empty.
wait_file() { wait_until "$1 was not written" test -s "$1"; }
click() { xdotool mousemove "$1" "$2" click 1; }
