#!/usr/bin/env bash
# Peak memory of a whole session on a big picture (10000 x 10000 by default):
# open, every filter, copy, save, measured with /usr/bin/time -v, beside what
# the undo history keeps.
# Usage: bench/memory.sh [build dir] [side]
set -euo pipefail
build=${1:-build}
side=${2:-10000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/tests/e2e/e2e_check" make "$work/big.bmp" "$side" "$side"
/usr/bin/time -v "$build/bench/whole_session" "$work/big.bmp" "$work/saved" 2>"$work/time" | tee "$work/session"
peak_kb=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time")
picture_mb=$((side * side * 4 / 1048576))
# The undo history is memory kept on purpose (within its own limit); the bar
# is three pictures and some change beside it.
history_mb=$(sed -n 's/^undo history \([0-9]*\) MB$/\1/p' "$work/session")
bar_mb=$((3 * picture_mb + history_mb + 100))
echo "peak resident memory: $((peak_kb / 1024)) MB (picture: ${picture_mb} MB; undo history: ${history_mb} MB; bar: ${bar_mb} MB)"
[ $((peak_kb / 1024)) -le "$bar_mb" ]
