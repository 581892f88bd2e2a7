#!/bin/sh
# tintaborra-lote's start-up (--help) and a folder of 200 pictures, builds
# side by side (the last is the one measured), runs alternated so that every
# build meets the same load; the median of each. With the last build, the
# same folder again with --informe, and with --continuar once everything is
# written.
#   RUNS=7 bench/lists.sh BUILD... NEW_BUILD
set -eu
runs=${RUNS:-7}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 - "$work/in" <<'PY'
import os, struct, sys, zlib
folder = sys.argv[1]; os.makedirs(folder)
w = h = 400
def chunk(t, d): return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d) & 0xffffffff)
for i in range(200):
    rows = b''.join(b'\0' + bytes(((x * 7 + y * 3 + i) % 251) ^ (x * y >> 6 & 0x3f) for x in range(w * 3)) for y in range(h))
    png = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 2, 0, 0, 0)) + chunk(b'IDAT', zlib.compress(rows, 1)) + chunk(b'IEND', b'')
    open(os.path.join(folder, 'p%03d.png' % i), 'wb').write(png)
PY
seconds() { # command... : wall seconds
  s=$(date +%s.%N); "$@" >/dev/null 2>&1 || true; e=$(date +%s.%N); echo "$e - $s" | bc -l
}
median() { sort -n | awk '{a[NR]=$1} END {printf "%.4f", a[int((NR+1)/2)]}'; }
steps="--quitar 200,30,30 --gris 140,20"
for i in $(seq "$runs"); do
  n=0
  for build in "$@"; do
    n=$((n + 1)) lote=$build/src/batch/tintaborra-lote
    for j in 1 2 3 4 5; do seconds "$lote" --help >>"$work/help$n"; done
    rm -rf "$work/out$n"; seconds "$lote" -o "$work/out$n" -j 2 $steps "$work/in" >>"$work/folder$n"
  done
  rm -rf "$work/on"; seconds "$lote" -o "$work/on" -j 2 $steps --informe "$work/r.csv" "$work/in" >>"$work/report"
  seconds "$lote" -o "$work/on" -j 2 $steps --continuar "$work/in" >>"$work/resume"
done
printf '%-44s' "median of $runs, seconds"; for build in "$@"; do printf ' %12s' "$(basename "$(dirname "$build")")"; done; echo
for title_file in "--help (start-up):help" "200 pictures, $steps:folder"; do
  printf '%-44s' "${title_file%%:*}"; k=0
  for build in "$@"; do k=$((k + 1)); printf ' %12s' "$(median <"$work/${title_file##*:}$k")"; done; echo
done
printf '%-44s %12s\n' "  last, the same with --informe" "$(median <"$work/report")"
printf '%-44s %12s\n' "  last, again with --continuar (all done)" "$(median <"$work/resume")"
k=0
for build in "$@"; do k=$((k + 1)); cmp -s "$work/out1/p000.png" "$work/out$k/p000.png" || echo "outputs differ: $build"; done
echo "report lines: $(($(wc -l <"$work/r.csv") - 1))"
