#!/usr/bin/env bash
# A user's sessions with the real program, its real dialogs and the real
# clipboard under Xvfb, driven only with xdotool keys and clicks, checked
# through the files written and the clipboard.
# Usage: scenarios_e2e.sh <tintaborra> <e2e_check> <scenario> [<tintaborra-lote>]   (WM=openbox for a window manager)
set -euo pipefail
binary=$1 check=$2 scenario=$3 batch=${4:-}
source "$(dirname "$0")/xvfb_session.sh"
work=$(mktemp -d)
trap 'cleanup; rm -rf "$work"' EXIT

# Screen positions of the controls (pixels; the window covers the screen from its corner).
OPEN=(64 24) SAVE=(64 500) COPY=(64 556) STOP=(64 608) GREYTYPE=(64 372) WHITEN=(64 316)
REMOVE=(64 648) REPLACEMENT=(64 680) TEXT2=(28 420) TEXT5=(84 420) LIST_FIRST=(40 56)
# Pixel (0, 0) of a picture opened through the dialog: the box keeps the start picture's place.
PIC_X=345 PIC_Y=264

start_program() {
  "$binary" 2>"$PROGRAM_ERR" &
  app_pid=$!
  pids_to_kill+=("$app_pid")
  wait_for_window
  local ids
  ids=$(xdotool search --onlyvisible --class tintaborra)
  main_window=${ids%%$'\n'*}
}
# focus_main: waits until the program's window has the keyboard focus (a click
# gives it back after a dialog only once the program has seen the click).
has_focus() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }
focus_main() { wait_until "the window did not take the keyboard focus" has_focus "$main_window"; }
open_picture() {  # through the real open dialog, typing the path
  click "${OPEN[@]}"
  wait_window "Selecciona una imagen"
  paste "$1"
  xdotool key Return
  wait_gone "Selecciona una imagen"
}
save_picture() {  # through the real save dialog, typing the name
  click "${SAVE[@]}"
  wait_window "Guardar como"
  paste "$1"
  xdotool key Return
  wait_gone "Guardar como"
  case "$1" in *.bmp) wait_file "$1" ;; *) wait_file "$1.bmp" ;; esac
}
dismiss_message() {  # the message box, closed with the keyboard
  wait_window "^Tintaborra$"
  xdotool key Return
  wait_gone "^Tintaborra$"
}
run_filter() { click "$1" "$2"; dismiss_message; }
pick_at() {  # sample then press at the picture's pixel (x, y)
  xdotool mousemove $((PIC_X + $1 + 3)) $((PIC_Y + $2 + 3)) mousemove $((PIC_X + $1)) $((PIC_Y + $2)) click 1
}
question_shown() { local w; w=$(xdotool getwindowfocus 2>/dev/null) && [ "$w" != "$1" ] && xdotool search --onlyvisible --name "Guardar como" | grep -qx "$w"; }
# paste TEXT: puts TEXT into the focused box in one go, as a user pasting a
# path does. Typed key by key, a path races the name box's completion list,
# which comes and goes with every "/" and can swallow keys on a busy machine.
clipboard_has_picture() { xclip -selection clipboard -t TARGETS -o 2>/dev/null | grep -q image/png; }
clipboard_is() { [ "$(xclip -selection clipboard -o 2>/dev/null)" = "$1" ]; }
paste() {
  printf %s "$1" | xclip -selection clipboard
  wait_until "the clipboard did not take the text" clipboard_is "$1"
  xdotool key ctrl+a ctrl+v
}
type_into() { click "$1" "$2"; xdotool key ctrl+a; xdotool type --delay 5 "$3"; }

# On a dense screen (QT_SCALE_FACTOR), in device pixels:
scale=${QT_SCALE_FACTOR:-1}
# dev V: the first device pixel whose centre lies past the logical V.
dev() { awk -v v="$1" -v s="$scale" 'BEGIN { printf "%d", v * s + 0.5 }'; }
# open_ramp: opens a 64 x 64 picture whose pixel (x, y) is red 4 x, green 4 y,
# rests the pointer on its pixel (32, 32) (the readout's colour fills the mean
# box) and keeps the screen as drawn then in ramp-shown.png.
open_ramp() {
  "$check" ramp "$work/ramp.bmp" 64 64
  start_program
  click "$(dev 64)" "$(dev 24)"
  wait_window "Selecciona una imagen"
  paste "$work/ramp.bmp"
  xdotool key Return
  wait_gone "Selecciona una imagen"
  readout=("$(dev 418)" "$(dev 40)") rest=("$(dev $((PIC_X + 32)))" "$(dev $((PIC_Y + 32)))")
  xdotool mousemove "${rest[@]}"
  wait_pixel "${readout[@]}" 128,128,0
  screenshot ramp-shown
}

case "$scenario" in
  remove)
    "$check" make "$work/original.bmp" 400 300
    start_program
    open_picture "$work/original.bmp"
    pick_at 40 40
    run_filter "${REMOVE[@]}"
    save_picture "$work/result"
    [ -f "$work/result.bmp" ] || fail "the save did not write result.bmp"
    "$check" remove "$work/original.bmp" "$work/result.bmp" 40 40 255,255,255 || fail "colour removal"
    ;;
  replacement)
    "$check" make "$work/original.bmp" 400 300
    start_program
    open_picture "$work/original.bmp"
    pick_at 260 100
    click "${REPLACEMENT[@]}"
    wait_window "^Color$"
    xdotool key alt+h ctrl+a
    xdotool type --delay 5 "#ff0080"
    xdotool key Return
    wait_gone "^Color$"
    run_filter "${REMOVE[@]}"
    save_picture "$work/result.bmp"
    "$check" remove "$work/original.bmp" "$work/result.bmp" 260 100 255,0,128 || fail "removal with a replacement colour"
    ;;
  greytype)
    "$check" make "$work/original.bmp" 400 300
    start_program
    open_picture "$work/original.bmp"
    type_into "${TEXT2[@]}" 130
    type_into "${TEXT5[@]}" 12
    run_filter "${GREYTYPE[@]}"
    save_picture "$work/grey.bmp"
    "$check" greytype "$work/original.bmp" "$work/grey.bmp" 130 12 || fail "grey-type binarisation"
    "$check" make "$work/second.bmp" 300 200
    open_picture "$work/second.bmp"
    run_filter "${WHITEN[@]}"
    save_picture "$work/white.bmp"
    "$check" whiten "$work/second.bmp" "$work/white.bmp" || fail "whitening"
    ;;
  stop)
    "$check" make "$work/large.bmp" 2000 6000
    for attempt in 1 2 3; do
      # Each attempt in a program of its own, where the box holds its start place.
      start_program
      open_picture "$work/large.bmp"
      pick_at 40 40
      focus_main
      # Focus back from the picture to "Quitar este color" (Picture2, Command7,
      # Command6 in the focus order), the pointer already on the stop button:
      # the space key starts the run and the click follows within milliseconds,
      # waits in the queue while the run holds the program and is seen at a
      # yield between two columns.
      xdotool key shift+Tab shift+Tab shift+Tab
      xdotool mousemove "${STOP[@]}" key space click 1
      dismiss_message
      save_picture "$work/stopped$attempt.bmp"
      # A run that ended before the click arrived leaves nothing to check: try again.
      if "$check" stopped-remove "$work/large.bmp" "$work/stopped$attempt.bmp" 40 40 255,255,255; then
        break
      fi
      [ "$attempt" = 3 ] && fail "stopped run"
      kill "$app_pid"
      wait "$app_pid" 2>/dev/null || true
    done
    ;;
  exitmidrun)
    "$check" make "$work/large.bmp" 2000 6000
    start_program
    open_picture "$work/large.bmp"
    pick_at 40 40
    focus_main
    xdotool key shift+Tab shift+Tab shift+Tab
    # As in the stop scenario, the exit click waits in the queue during the run.
    xdotool mousemove 976 24 key space click 1
    wait_until "the exit button did not end the program during a run" ended "$app_pid"
    wait "$app_pid" || fail "the program did not end normally"
    echo "PASS: exitmidrun (window manager: ${WM:-none})"
    exit 0
    ;;
  filelist)
    mkdir "$work/fotos"
    "$check" make "$work/fotos/a.bmp" 200 100
    printf 'GIF89a esto no es una imagen' >"$work/fotos/b.gif"
    "$check" make "$work/fotos/c.bmp" 100 300
    cp "$work/fotos/a.bmp" "$work/fotos/d sin extensión"
    start_program
    open_picture "$work/fotos/a.bmp"
    click "${LIST_FIRST[@]}"            # a.bmp: loads and is centred
    wait_pixel 575 406 "$("$check" pixel "$work/fotos/a.bmp" 100 50)"
    xdotool key Down                     # b.gif: the failure message
    wait_window "^Tintaborra$"
    screenshot filelist-message
    xdotool key Return
    wait_gone "^Tintaborra$"
    xdotool key Down                     # c.bmp loads
    # c.bmp (100 x 300) centred in the frame: its middle is the frame's middle.
    wait_pixel 575 406 "$("$check" pixel "$work/fotos/c.bmp" 50 150)"
    xdotool key Down                     # the file with spaces, accents and no extension
    wait_pixel 575 406 "$("$check" pixel "$work/fotos/a.bmp" 100 50)"
    visible_named "^Tintaborra$" && fail "a picture without extension gave a message"
    kill -0 "$app_pid" || fail "the program ended"
    ;;
  clipboard)
    "$check" make "$work/original.bmp" 400 300
    start_program
    open_picture "$work/original.bmp"
    run_filter "${WHITEN[@]}"
    click "${COPY[@]}"
    wait_until "the clipboard holds no picture" clipboard_has_picture
    xclip -selection clipboard -t image/png -o >"$work/clip.png"
    save_picture "$work/saved.bmp"       # the path is pasted: the picture was read first
    "$check" same "$work/saved.bmp" "$work/clip.png" || fail "the clipboard differs from the saved picture"
    ;;
  fulldisk)
    # A folder on a 1 MB file system holding an earlier foto.bmp; the new
    # picture does not fit. Needs the right to mount a tmpfs.
    mkdir "$work/lleno"
    mount -t tmpfs -o size=1m tmpfs "$work/lleno" 2>/dev/null || { echo "SKIP: cannot mount a tmpfs"; exit 77; }
    trap 'cleanup; umount "$work/lleno"; rm -rf "$work"' EXIT
    "$check" make "$work/lleno/foto.bmp" 100 100
    cp "$work/lleno/foto.bmp" "$work/before.bmp"
    "$check" make "$work/big.bmp" 800 600
    start_program
    open_picture "$work/big.bmp"
    click "${SAVE[@]}"
    wait_window "Guardar como"
    dialog=$(xdotool getwindowfocus)
    paste "$work/lleno/foto"
    xdotool key Return
    # The question comes up in a window of its own, titled as the dialog.
    wait_until "no question about replacing foto.bmp" question_shown "$dialog"
    screenshot fulldisk-question
    xdotool key alt+s                    # "Sí": replace foto.bmp
    wait_window "^Tintaborra$"
    screenshot fulldisk-message
    xdotool key Return
    wait_gone "^Tintaborra$"
    cmp -s "$work/before.bmp" "$work/lleno/foto.bmp" || fail "the earlier foto.bmp was damaged"
    [ "$(ls -A "$work/lleno")" = "foto.bmp" ] || fail "files left behind: $(ls -A "$work/lleno")"
    ;;
  undo)
    "$check" make "$work/original.bmp" 400 300
    start_program
    open_picture "$work/original.bmp"
    run_filter "${WHITEN[@]}"
    click 600 20  # the window's bare top: the keys go to it
    focus_main
    copied() {  # $1: keys that end in a copy; $2: where the clipboard's picture goes
      printf 'vacío' | xclip -selection clipboard  # the clipboard is ours until the program takes it
      wait_until "the clipboard was not emptied" clipboard_is 'vacío'
      xdotool key $1
      wait_until "no picture on the clipboard after $1" clipboard_has_picture
      xclip -selection clipboard -t image/png -o >"$2" || fail "no picture on the clipboard after $1"
    }
    copied "ctrl+z ctrl+c" "$work/undone.png"
    "$check" same "$work/original.bmp" "$work/undone.png" || fail "Ctrl+Z did not give back the opened picture"
    copied "ctrl+y ctrl+c" "$work/redone.png"
    "$check" whiten "$work/original.bmp" "$work/redone.png" || fail "Ctrl+Y did not give back the whitened picture"
    ;;
  zoomfit)
    # A picture larger than the frame, fitted with Ctrl+0: 2400 x 1800 shown
    # as 889 x 667 from (130, 73). The colour is picked on the fitted view in
    # the middle of the picture's grey band (columns 600 to 899), where every
    # pixel is within 24 of every other; at 100 % the same screen point would
    # lie over the blue band.
    "$check" make "$work/large.bmp" 2400 1800
    start_program
    open_picture "$work/large.bmp"
    click 200 60  # on the frame, outside the picture: the window has the keyboard again
    focus_main
    xdotool key ctrl+0
    wait_pixel 574 750 255,255,255   # below the fitted picture, the frame's white
    xdotool mousemove 410 159 mousemove 407 156 click 1
    run_filter "${REMOVE[@]}"
    save_picture "$work/result"
    [ -f "$work/result.bmp" ] || fail "the save did not write result.bmp"
    "$check" remove "$work/large.bmp" "$work/result.bmp" 750 225 255,255,255 || fail "colour removal on the fitted view"
    ;;
  repeat)
    # Three runs, the last undone; Ctrl+Shift+C copies the command, which run
    # through a shell and the real tintaborra-lote gives the window's picture.
    [ -x "$batch" ] || fail "no tintaborra-lote given"
    mkdir "$work/fotos"
    "$check" make "$work/fotos/escaneo 017.bmp" 400 300
    start_program
    open_picture "$work/fotos/escaneo 017.bmp"
    pick_at 40 40
    run_filter "${REMOVE[@]}"
    run_filter "${GREYTYPE[@]}"
    run_filter "${WHITEN[@]}"
    click 600 20  # the window's bare top: the keys go to it
    focus_main
    printf 'vacío' | xclip -selection clipboard
    wait_until "the clipboard was not emptied" clipboard_is 'vacío'
    xdotool key ctrl+z ctrl+shift+c
    copied_command() { xclip -o -selection clipboard 2>/dev/null | grep -q '^tintaborra-lote '; }
    wait_until "no command on the clipboard after Ctrl+Shift+C" copied_command
    command=$(xclip -o -selection clipboard)
    case $command in
      "tintaborra-lote -o limpias --quitar "[0-9]*" --gris 140,20 '$work/fotos/escaneo 017.bmp'") ;;
      *) fail "the copied command: $command" ;;
    esac
    (cd "$work" && PATH="$(dirname "$batch"):$PATH" sh -c "$command") || fail "the copied command failed: $command"
    printf 'vacío' | xclip -selection clipboard
    wait_until "the clipboard was not emptied" clipboard_is 'vacío'
    xdotool key ctrl+c
    wait_until "no picture on the clipboard after Ctrl+C" clipboard_has_picture
    xclip -selection clipboard -t image/png -o >"$work/window.png"
    "$check" same "$work/limpias/escaneo 017.png" "$work/window.png" || fail "the command's picture differs from the window's"
      ;;
  preview)
    # Shift held over the picture tints what removal would change with the
    # colour under the pointer as target; over "Blanquear" the view shows the
    # whitened picture. Released, the picture is back, and a save writes it
    # untouched.
    "$check" make "$work/original.bmp" 400 300
    start_program
    open_picture "$work/original.bmp"
    click 200 60  # on the frame, outside the picture: the window has the keyboard again
    focus_main
    shown() { import -silent -window root -crop "400x300+$PIC_X+$PIC_Y" +repage "$work/shown.png"; }
    shows() { shown && "$check" "$@" 2>/dev/null; }
    xdotool mousemove $((PIC_X + 43)) $((PIC_Y + 43)) mousemove $((PIC_X + 40)) $((PIC_Y + 40))
    xdotool keydown shift
    wait_until "Shift over the picture did not tint what removal would change" \
      shows tinted "$work/original.bmp" "$work/shown.png" 40 40 255,255,255
    screenshot preview-picture
    # The readout names the picture's own pixel, never the tinted one shown,
    # and the tint follows the pointer.
    xdotool mousemove $((PIC_X + 120)) $((PIC_Y + 10))
    wait_pixel 418 40 "$("$check" pixel "$work/original.bmp" 120 10)" "the readout over a tinted pixel"
    wait_until "the tint did not follow the pointer" \
      shows tinted "$work/original.bmp" "$work/shown.png" 120 10 255,255,255
    screenshot preview-followed
    xdotool mousemove "${WHITEN[@]}"
    wait_until "Shift over the whitening button did not show its result" \
      shows whiten "$work/original.bmp" "$work/shown.png"
    screenshot preview-whiten
    xdotool keyup shift
    wait_until "releasing Shift did not show the picture again" shows same "$work/original.bmp" "$work/shown.png"
    save_picture "$work/result.bmp"
    "$check" same "$work/original.bmp" "$work/result.bmp" || fail "the preview changed the picture"
    ;;
  pick)
    # On a dense screen (QT_SCALE_FACTOR) the readout, and so the pick, names
    # the picture pixel drawn under the pointer on every device pixel. Between
    # two points the pointer rests on pixel (32, 32), so that each readout is
    # a new one. The points pair the first device pixels, those of pixels
    # (10, 20) and the last ones, in and out of step.
    open_ramp
    # The picture's first and last device pixels, as drawn.
    box=$("$check" ramp-box "$ARTEFACTS/ramp-shown.png" "${rest[@]}") || fail "the picture is not drawn whole: $box"
    read -r x0 y0 xn yn <<<"$box"
    x10=$((x0 + (xn - x0 + 1) * 10 / 64)) y20=$((y0 + (yn - y0 + 1) * 20 / 64))
    xs=("$x0" $((x0 + 1)) $((x0 + 2)) $((x0 + 3)) "$x10" $((x10 + 1)) $((xn - 2)) $((xn - 1)) "$xn")
    ys=("$y0" $((y0 + 1)) $((y0 + 2)) $((y0 + 3)) "$y20" $((y20 + 1)) $((yn - 2)) $((yn - 1)) "$yn")
    for i in "${!xs[@]}"; do
      for y in "${ys[i]}" "${ys[(i + 1) % ${#ys[@]}]}"; do
        x=${xs[i]}
        want=$("$check" pixel "$ARTEFACTS/ramp-shown.png" "$x" "$y")
        [[ $want =~ ^[0-9]+,[0-9]+,0$ ]] || fail "($x, $y) is not on the picture: it shows $want"
        xdotool mousemove "$x" "$y"
        wait_pixel "${readout[@]}" "$want" "the readout of ($x, $y), drawn $want"
        xdotool mousemove "${rest[@]}"
        wait_pixel "${readout[@]}" 128,128,0
      done
    done
    ;;
  densepreview)
    # On a dense screen Shift over the picture tints what removal would change
    # and leaves every other device pixel as it was drawn.
    open_ramp
    xdotool keydown shift
    tinted_only() { screenshot ramp-shift && "$check" ramp-tinted "$ARTEFACTS/ramp-shown.png" "$ARTEFACTS/ramp-shift.png" 2>"$work/tint.txt"; }
    tints() {
      # shellcheck disable=SC2034  # read by wait_until
      local explain="cat $work/tint.txt"
      wait_until "Shift changed more than the tint: " tinted_only
    }
    tints
    xdotool keyup shift
    released() { screenshot ramp-released && "$check" same "$ARTEFACTS/ramp-shown.png" "$ARTEFACTS/ramp-released.png" 2>/dev/null; }
    wait_until "releasing Shift did not show the picture as drawn" released
    ;;
  fit)
    # On a screen too small for the window every control lies wholly on it:
    # the window's teal shows below the lowest button and right of the exit
    # button, and the zoom indicator shows left of the exit button.
    start_program
    fits() { screenshot fit && "$check" fits "$ARTEFACTS/fit.png" >"$work/fits.txt" 2>/dev/null || { cat "$work/fits.txt" >&2; false; }; }
    wait_until "a control is not wholly on the screen (the last figures above)" fits
    ;;
  *) fail "unknown scenario $scenario" ;;
esac
kill -0 "$app_pid" 2>/dev/null || fail "the program is no longer running"
echo "PASS: $scenario (window manager: ${WM:-none})"
