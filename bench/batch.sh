#!/usr/bin/env bash
# tintaborra-lote file to file, with the same work done by ImageMagick and by
# a libvips pipeline when they are installed (skipped when not):
#  1. one 4000 x 3000 BMP, whitening, BMP out, beside
#     `convert IN -fill white +opaque black OUT` (goal: at most a quarter of its time);
#  2. one 12 MP JPEG scan (paper, pencil, ruled lines), whitening, PNG out,
#     beside the rule as one libvips pipeline (goal: no slower, PNG at most 1.1x);
#  3. 16 such scans with -j 1 and with -j 2 (goal: -j 2 at least 1.6x the throughput);
#  4. peak memory with one and with two 100 MP pictures at once (goal: at most
#     N x 2 x 400 MB + 100 MB), by /usr/bin/time -v.
# Each time is the best of BENCH_RUNS runs (3). Usage: bench/batch.sh [build dir]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(realpath "${1:-build}")
lote="$build/src/batch/tintaborra-lote"
make_picture="$build/bench/batch_pictures"
runs=${BENCH_RUNS:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# The best wall time of $runs runs of the command, in seconds.
best() {
  local best_time="" t
  for _ in $(seq "$runs"); do
    t=$( { TIMEFORMAT=%R; time "$@" >/dev/null 2>&1; } 2>&1 )
    if [ -z "$best_time" ] || awk "BEGIN{exit !($t < $best_time)}"; then best_time=$t; fi
  done
  echo "$best_time"
}
ratio() { awk "BEGIN{printf \"%.2f\", $1 / $2}"; }
peak_mb() { /usr/bin/time -v "$@" 2>&1 >/dev/null | sed -n 's/.*Maximum resident set size (kbytes): //p' | awk '{print int($1 / 1024)}'; }

echo "== 1. 4000 x 3000 BMP, whitening, BMP out"
"$make_picture" varied varied.bmp 4000 3000
ours=$(best "$lote" -o out1 --formato bmp --blanquear varied.bmp)
echo "tintaborra-lote: ${ours} s"
if command -v convert >/dev/null; then
  theirs=$(best convert varied.bmp -fill white +opaque black out1-im.bmp)
  echo "ImageMagick convert: ${theirs} s; ours / theirs = $(ratio "$ours" "$theirs") (goal <= 0.25)"
else
  echo "ImageMagick convert: not installed, skipped"
fi

echo "== 2. 12 MP JPEG scan, whitening, PNG out"
"$make_picture" scan scan.jpg 4000 3000
ours=$(best "$lote" -o out2 --blanquear scan.jpg)
echo "tintaborra-lote: ${ours} s, PNG $(stat -c %s out2/scan.png) bytes"
if pkg-config --exists vips 2>/dev/null; then
  cc -O2 -o vips_whitening "$here/vips_whitening.c" $(pkg-config --cflags --libs vips)
  theirs=$(best ./vips_whitening scan.jpg vips.png)
  echo "libvips pipeline: ${theirs} s, PNG $(stat -c %s vips.png) bytes"
  echo "time ours / theirs = $(ratio "$ours" "$theirs") (goal <= 1); size ours / theirs = $(ratio "$(stat -c %s out2/scan.png)" "$(stat -c %s vips.png)") (goal <= 1.1)"
else
  echo "libvips (libvips-dev): not installed, skipped"
fi

echo "== 3. 16 scans of 12 MP, -j 1 and -j 2"
mkdir -p many
for i in $(seq -w 1 16); do cp scan.jpg "many/scan$i.jpg"; done
one=$(best "$lote" -o out3 -j 1 --blanquear many)
two=$(best "$lote" -o out3 -j 2 --blanquear many)
echo "-j 1: ${one} s; -j 2: ${two} s; throughput -j 2 / -j 1 = $(ratio "$one" "$two") (goal >= 1.6, on $(nproc) cores)"

echo "== 4. peak memory, 100 MP pictures"
"$make_picture" varied big1.bmp 10000 10000
cp big1.bmp big2.bmp
for n in 1 2; do
  inputs=(big1.bmp)
  [ "$n" = 2 ] && inputs=(big1.bmp big2.bmp)
  peak=$(peak_mb "$lote" -o out4 -j "$n" --quitar 128,128,128 --blanquear "${inputs[@]}")
  echo "-j $n: peak ${peak} MB (goal <= $((n * 2 * 400 + 100)) MB)"
done
