#!/usr/bin/env bash
# The document reader's time and peak memory: refusing a pages tree that
# claims 2^10 pages in about a kilobyte, and reading a 100-page A4 scan one
# page at a time (peak memory must not grow with the page count).
# Usage: bench/document_reading.sh [build dir]
set -euo pipefail
build=${1:-build}
tool="$build/bench/document_reading"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$tool" bomb "$work/bomb.pdf" 10
"$tool" scan "$work/scan10.pdf" 10
"$tool" scan "$work/scan100.pdf" 100
for f in bomb.pdf scan10.pdf scan100.pdf; do
  echo "== $f ($(stat -c %s "$work/$f") bytes)"
  /usr/bin/time -v "$tool" read "$work/$f" 2>"$work/time.txt"
  grep -E "Elapsed|Maximum resident" "$work/time.txt"
done
