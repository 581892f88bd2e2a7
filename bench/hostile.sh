#!/usr/bin/env bash
# tintaborra-lote on each hostile or damaged file of the batch tests, one at a
# time under /usr/bin/time: a row per file with the exit code, the seconds,
# the peak memory and the first line the run told on standard error. Goal for
# every input under 1 MB: under 1 s and under 100 MB beyond its declared
# picture's own pixels; a document that takes longer ends at its drawing's
# budget (30 s a page) or its reading's watch (60 s), never later.
# Files named pNN-... are documents written the way other producers and
# attackers write them; ONLY=p keeps to those.
# Usage: bench/hostile.sh [build dir] [build dir before a change]
# With a second build, each row shows the same file run by both, side by side.
set -euo pipefail
build=$(realpath "${1:-build}")
before=${2:+$(realpath "$2")}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/write_hostile" "$work/in"
mkfifo "$work/in/tuberia.bmp"

# Runs one build's command on one file: "exit seconds MB «first line»".
measure() {
  local lote="$1/src/batch/tintaborra-lote" f="$2" code seconds kb said
  rm -rf "$work/out"
  # A pipe never written to would hold a reader forever: the timeout shows it.
  /usr/bin/time -f '%e %M' -o "$work/time" timeout -k 5 150 "$lote" -o "$work/out" --blanquear "$f" \
    >/dev/null 2>"$work/said" && code=0 || code=$?
  read -r seconds kb < <(tail -1 "$work/time")
  said=$(grep -v '^Command\|^\s*$' "$work/said" | head -1 | sed "s|$work/in/||g" | cut -c1-90)
  printf '%4s %7s %7.0f  %s' "$code" "$seconds" "$(echo "$kb / 1024" | bc -l)" "$said"
}

if [ -n "$before" ]; then
  printf '%-30s %8s | %4s %7s %7s | %4s %7s %7s\n' archivo bytes antes s MB ahora s MB
else
  printf '%-30s %8s %4s %7s %7s\n' archivo bytes salida s "pico MB"
fi
for f in "$work"/in/*; do
  name=$(basename "$f")
  case "$name" in p[0-9][0-9]-*) ;; *) [ "${ONLY:-}" = p ] && continue ;; esac
  size=$(stat -c %s "$f")
  if [ -n "$before" ]; then
    old=$(measure "$before" "$f")
    new=$(measure "$build" "$f")
    printf '%-30s %8s | %s\n%41s| %s\n' "$name" "$size" "$old" "" "$new"
  else
    printf '%-30s %8s %s\n' "$name" "$size" "$(measure "$build" "$f")"
  fi
done
