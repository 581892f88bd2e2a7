#!/usr/bin/env bash
# tintaborra-lote on each hostile or damaged file of the batch tests, one at a
# time under /usr/bin/time: a row per file with the exit code, the seconds and
# the peak memory. Goal for every input under 1 MB: under 1 s and under 100 MB
# beyond its declared picture's own pixels.
# Usage: bench/hostile.sh [build dir]
set -euo pipefail
build=$(realpath "${1:-build}")
lote="$build/src/batch/tintaborra-lote"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/write_hostile" "$work/in"
mkfifo "$work/in/tuberia.bmp"

printf '%-28s %8s %6s %8s %9s\n' archivo bytes salida segundos "pico MB"
for f in "$work"/in/*; do
  name=$(basename "$f")
  size=$(stat -c %s "$f")
  rm -rf "$work/out"
  # A pipe never written to would hold a reader forever: the timeout shows it.
  /usr/bin/time -f '%e %M' -o "$work/time" timeout 20 "$lote" -o "$work/out" --blanquear "$f" >/dev/null 2>&1 &&
    code=0 || code=$?
  read -r seconds kb < <(tail -1 "$work/time")
  printf '%-28s %8s %6s %8s %9.1f\n' "$name" "$size" "$code" "$seconds" "$(echo "$kb / 1024" | bc -l)"
done
