#!/usr/bin/env bash
# tintaborra-lote file to file, with the same work done by ImageMagick and by
# a libvips pipeline when they are installed (skipped when not):
#  1. one 4000 x 3000 BMP, whitening, BMP out, beside
#     `convert IN -fill white +opaque black OUT` (goal: at most a quarter of its time);
#  2. one 12 MP JPEG scan (paper, pencil, ruled lines), whitening, PNG out,
#     beside the rule as one libvips pipeline (goal: no slower, PNG at most 1.1x);
#  3. 16 such scans with -j 1 and with -j 2 (goal: -j 2 at least 1.6x the throughput);
#  4. peak memory with one and with two 100 MP pictures at once (goal: at most
#     N x 2 x 400 MB + 100 MB), by /usr/bin/time -v;
#  5. start-up: `--help`, and a folder of four small JPEGs, the mean of 50 runs
#     (goal: at most 15 ms; no document library loaded for either).
# With a second build dir, steps 1 and 5 run that build's command too, side
# by side (e.g. the tree before a change).
# Each time is the best of BENCH_RUNS runs (3). The machine's cores are easily
# shared with other work (a build, another benchmark): when during the best
# run the cores were nearly all busy and other processes took more than a
# tenth of its wall time in CPU time, the figure says so, since it then
# measures less than the cores it was counted on.
# Usage: bench/batch.sh [build dir [other build dir]]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(realpath "${1:-build}")
lote="$build/src/batch/tintaborra-lote"
make_picture="$build/bench/batch_pictures"
other=""
[ $# -ge 2 ] && other="$(realpath "$2")/src/batch/tintaborra-lote"
runs=${BENCH_RUNS:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

hz=$(getconf CLK_TCK)
# CPU time spent by every process on the machine so far, in clock ticks.
busy_ticks() { awk '/^cpu /{print $2 + $3 + $4 + $7 + $8}' /proc/stat; }
# The best wall time of $runs runs of the command, in seconds, with the CPU
# seconds that it and that other processes took during that run.
best() {
  local best="" t wall user sys before after others
  for _ in $(seq "$runs"); do
    before=$(busy_ticks)
    t=$( { TIMEFORMAT='%R %U %S'; time "$@" >/dev/null 2>&1; } 2>&1 )
    after=$(busy_ticks)
    read -r wall user sys <<<"$t"
    others=$(awk "BEGIN{o = ($after - $before) / $hz - $user - $sys; printf \"%.2f\", (o > 0 ? o : 0)}")
    if [ -z "$best" ] || awk "BEGIN{exit !($wall < ${best%% *})}"; then
      best="$wall $(awk "BEGIN{printf \"%.2f\", $user + $sys}") $others"
    fi
  done
  echo "$best"
}
# A word after a figure whose run shared the cores with other processes.
busy() {
  awk "BEGIN{if ($3 > 0.1 * $1 && $2 + $3 > 0.9 * $(nproc) * $1)
    printf \" (cores shared: other processes took %.2f s of CPU during that run)\", $3}"
}
ratio() { awk "BEGIN{printf \"%.2f\", $1 / $2}"; }
peak_mb() { /usr/bin/time -v "$@" 2>&1 >/dev/null | sed -n 's/.*Maximum resident set size (kbytes): //p' | awk '{print int($1 / 1024)}'; }

echo "== 1. 4000 x 3000 BMP, whitening, BMP out"
"$make_picture" varied varied.bmp 4000 3000
read -r ours ours_cpu others <<<"$(best "$lote" -o out1 --formato bmp --blanquear varied.bmp)"
echo "tintaborra-lote: ${ours} s$(busy "$ours" "$ours_cpu" "$others")"
if [ -n "$other" ]; then
  read -r theirs theirs_cpu others <<<"$(best "$other" -o out1 --formato bmp --blanquear varied.bmp)"
  echo "other build: ${theirs} s$(busy "$theirs" "$theirs_cpu" "$others"); this / other = $(ratio "$ours" "$theirs")"
fi
if command -v convert >/dev/null; then
  read -r theirs theirs_cpu others <<<"$(best convert varied.bmp -fill white +opaque black out1-im.bmp)"
  echo "ImageMagick convert: ${theirs} s$(busy "$theirs" "$theirs_cpu" "$others"); ours / theirs = $(ratio "$ours" "$theirs") (goal <= 0.25)"
else
  echo "ImageMagick convert: not installed, skipped"
fi

echo "== 2. 12 MP JPEG scan, whitening, PNG out"
"$make_picture" scan scan.jpg 4000 3000
read -r ours ours_cpu others <<<"$(best "$lote" -o out2 --blanquear scan.jpg)"
echo "tintaborra-lote: ${ours} s$(busy "$ours" "$ours_cpu" "$others"), PNG $(stat -c %s out2/scan.png) bytes"
if pkg-config --exists vips 2>/dev/null; then
  cc -O2 -o vips_whitening "$here/vips_whitening.c" $(pkg-config --cflags --libs vips)
  read -r theirs theirs_cpu others <<<"$(best ./vips_whitening scan.jpg vips.png)"
  echo "libvips pipeline: ${theirs} s$(busy "$theirs" "$theirs_cpu" "$others"), PNG $(stat -c %s vips.png) bytes"
  echo "time ours / theirs = $(ratio "$ours" "$theirs") (goal <= 1); size ours / theirs = $(ratio "$(stat -c %s out2/scan.png)" "$(stat -c %s vips.png)") (goal <= 1.1)"
else
  echo "libvips (libvips-dev): not installed, skipped"
fi

echo "== 3. 16 scans of 12 MP, -j 1 and -j 2"
mkdir -p many
for i in $(seq -w 1 16); do cp scan.jpg "many/scan$i.jpg"; done
read -r one one_cpu one_others <<<"$(best "$lote" -o out3 -j 1 --blanquear many)"
read -r two two_cpu two_others <<<"$(best "$lote" -o out3 -j 2 --blanquear many)"
echo "-j 1: ${one} s$(busy "$one" "$one_cpu" "$one_others"); -j 2: ${two} s$(busy "$two" "$two_cpu" "$two_others"); throughput -j 2 / -j 1 = $(ratio "$one" "$two") (goal >= 1.6, on $(nproc) cores)"

echo "== 4. peak memory, 100 MP pictures"
"$make_picture" varied big1.bmp 10000 10000
cp big1.bmp big2.bmp
for n in 1 2; do
  inputs=(big1.bmp)
  [ "$n" = 2 ] && inputs=(big1.bmp big2.bmp)
  peak=$(peak_mb "$lote" -o out4 -j "$n" --quitar 128,128,128 --blanquear "${inputs[@]}")
  echo "-j $n: peak ${peak} MB (goal <= $((n * 2 * 400 + 100)) MB)"
done

echo "== 5. start-up, mean of 50 runs"
mkdir -p small
for i in 1 2 3 4; do "$make_picture" scan "small/s$i.jpg" 400 300; done
# The mean wall time of 50 runs of the command, in milliseconds.
mean_ms() {
  local start end
  start=$(date +%s%N)
  for _ in $(seq 50); do "$@" >/dev/null 2>&1; done
  end=$(date +%s%N)
  awk "BEGIN{printf \"%.1f\", ($end - $start) / 50 / 1e6}"
}
# Whether a run loads the documents module (and with it poppler and qpdf).
loads_documents() {
  local n
  n=$(LD_DEBUG=files "$@" 2>&1 >/dev/null | grep -c 'file=.*poppler' || true)
  [ "$n" -gt 0 ] && echo yes || echo no
}
for lote_of in "$lote" ${other:+"$other"}; do
  [ "$lote_of" = "$lote" ] && label="this build" || label="other build"
  echo "$label: --help $(mean_ms "$lote_of" --help) ms (documents loaded: $(loads_documents "$lote_of" --help));" \
    "four small JPEGs $(mean_ms "$lote_of" -o out5 small) ms (documents loaded: $(loads_documents "$lote_of" -o out5 small))"
done
