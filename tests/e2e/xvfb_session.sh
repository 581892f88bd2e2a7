# Sourced by the end-to-end tests: starts a private Xvfb at 1024 x 768 and
# cleans up on exit. Sets DISPLAY and ARTEFACTS (screenshots of failures).
set -euo pipefail
ARTEFACTS=${ARTEFACTS:-$PWD/e2e-artefacts}
mkdir -p "$ARTEFACTS"
fd_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fd_file" 2>/dev/null &
xvfb_pid=$!
pids_to_kill=("$xvfb_pid")
cleanup() { kill "${pids_to_kill[@]}" 2>/dev/null || true; rm -f "$fd_file"; }
trap cleanup EXIT
for _ in $(seq 50); do [ -s "$fd_file" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$fd_file")"
unset QT_QPA_PLATFORM
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}

# pixel X Y: the colour at (X, Y) of the screen as "r,g,b".
pixel() { import -silent -window root -crop "1x1+$1+$2" -depth 8 txt:- | sed -n 2p | sed -E 's/.*\(([0-9]+),([0-9]+),([0-9]+).*/\1,\2,\3/'; }
screenshot() { import -silent -window root "$ARTEFACTS/$1.png"; }
fail() { echo "FAIL: $*" >&2; screenshot "failure-$(date +%s)"; exit 1; }
wait_for_window() {
  for _ in $(seq 100); do
    xdotool search --onlyvisible --class tintaborra >/dev/null 2>&1 && { sleep 0.5; return 0; }
    sleep 0.1
  done
  fail "the window did not appear"
}

# Optional window manager: WM=openbox starts one.
if [ "${WM:-none}" = openbox ]; then
  openbox --sm-disable >/dev/null 2>&1 &
  pids_to_kill+=("$!")
  sleep 1
fi

# wait_window NAME: waits until a visible window whose name matches NAME appears.
wait_window() {
  for _ in $(seq 100); do
    xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 && { sleep 0.4; return 0; }
    sleep 0.1
  done
  fail "no window named '$1' appeared"
}
# wait_gone NAME: waits until no visible window matches NAME.
wait_gone() {
  for _ in $(seq 100); do
    xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || { sleep 0.2; return 0; }
    sleep 0.1
  done
  fail "the window named '$1' did not close"
}
click() { xdotool mousemove "$1" "$2" click 1; }
