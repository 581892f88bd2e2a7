#!/usr/bin/env bash
# tintaborra-lote on scanned documents, in one run:
#  - a 20-page A4 PDF at 300 dpi, one JPEG a page as scanners write them
#    (img2pdf over typed pages with a stamp): Ghostscript's own 1-bit Group 4
#    TIFF of it beside ours, --gris 140,20 to pdf and to tif with -j 2
#    (seconds, pages a second, ratio to Ghostscript; goals: at most 0.2 times
#    Ghostscript's time, at least 25 pages a second);
#  - our Group 4 TIFF's size beside the same 1-bit pages recompressed by
#    libtiff's tiffcp -c g4 (goal: at most 1.05 times);
#  - the peak memory of a 500-page document (its pages share one picture, so
#    the file stays small) beside the bound for -j 2: 2 x (2 x one page's
#    4-byte pixels) + 150 MB.
# An anchor that is not installed (scripts/install-deps.sh --bench) is skipped.
# Usage: bench/documents.sh [build dir]
set -euo pipefail
build=$(realpath "${1:-build}")
lote="$build/src/batch/tintaborra-lote"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
have() { command -v "$1" >/dev/null 2>&1; }
width=2480 height=3508  # A4 at 300 dpi

if ! have img2pdf; then
  echo "img2pdf no está instalado: no hay documento que medir (scripts/install-deps.sh --bench)" >&2
  exit 1
fi
"$build/bench/batch_pictures" text "$work/page.jpg" $width $height
pages=()
for i in $(seq -w 1 20); do
  cp "$work/page.jpg" "$work/page$i.jpg"
  pages+=("$work/page$i.jpg")
done
img2pdf --imgsize 300dpi -o "$work/escaneo.pdf" "${pages[@]}"

# Seconds, peak KB and processor seconds of a command, into the globals s,
# kb and cpu (on a busy machine the processor seconds tell more than the
# clock).
measure() {
  /usr/bin/time -f '%e %M %U %S' -o "$work/time" "$@" >/dev/null 2>&1 || {
    echo "falló: $*" >&2
    exit 1
  }
  read -r s kb user sys < <(tail -1 "$work/time")
  cpu=$(echo "$user + $sys" | bc -l | xargs printf '%.2f')
}
row() { printf '%-34s %8s %9s %9s %9s %9s\n' "$@"; }

echo "carga de la máquina: $(cut -d' ' -f1-3 /proc/loadavg) en $(nproc) núcleos"
echo "20 páginas A4 a 300 ppp, un JPEG cada una ($(du -k "$work/escaneo.pdf" | cut -f1) KB)"
row "" segundos "pág/s" "× gs" "pico MB" "s de CPU"
gs_s=""
if have gs; then
  measure gs -q -dNOPAUSE -dBATCH -sDEVICE=tiffg4 -r300 -o "$work/gs.tif" "$work/escaneo.pdf"
  gs_s=$s
  row "gs -sDEVICE=tiffg4 -r300" "$s" "$(echo "20 / $s" | bc -l | xargs printf '%.1f')" 1 $((kb / 1024)) "$cpu"
else
  echo "(gs no está instalado: sin comparación con Ghostscript)"
fi
for format in pdf tif; do
  measure "$lote" -o "$work/$format" -j 2 --gris 140,20 --formato "$format" "$work/escaneo.pdf"
  ratio=-
  [ -n "$gs_s" ] && ratio=$(echo "$s / $gs_s" | bc -l | xargs printf '%.2f')
  row "tintaborra-lote --formato $format -j 2" "$s" "$(echo "20 / $s" | bc -l | xargs printf '%.1f')" "$ratio" \
    $((kb / 1024)) "$cpu"
done
# Local black and white, decided by the page around each pixel, against the
# global --gris above (goal: at least as fast, to the same Group 4 PDF).
measure "$lote" -o "$work/bn" -j 2 --bn --formato pdf "$work/escaneo.pdf"
ratio=-
[ -n "$gs_s" ] && ratio=$(echo "$s / $gs_s" | bc -l | xargs printf '%.2f')
row "tintaborra-lote --bn --formato pdf -j 2" "$s" "$(echo "20 / $s" | bc -l | xargs printf '%.1f')" "$ratio" \
  $((kb / 1024)) "$cpu"

echo
ours=$(stat -c %s "$work/tif/escaneo.tif")
if have tiffcp; then
  tiffcp -c g4 "$work/tif/escaneo.tif" "$work/tiffcp.tif"
  ref=$(stat -c %s "$work/tiffcp.tif")
  printf 'Grupo 4: nuestro TIFF %d KB, tiffcp -c g4 %d KB, razón %.3f (meta ≤ 1,05)\n' \
    $((ours / 1024)) $((ref / 1024)) "$(echo "$ours / $ref" | bc -l)"
else
  printf 'Grupo 4: nuestro TIFF %d KB (tiffcp no está instalado)\n' $((ours / 1024))
fi

# 500 pages, each drawing the one JPEG of the 20-page document's first page.
python3 - "$work/page.jpg" "$work/largo.pdf" 500 $width $height <<'PY'
import sys
jpeg, out, count, w, h = open(sys.argv[1], 'rb').read(), sys.argv[2], int(sys.argv[3]), int(sys.argv[4]), int(sys.argv[5])
objects = {}
objects[1] = b'<< /Type /Catalog /Pages 2 0 R >>'
kids = ' '.join(f'{5 + i} 0 R' for i in range(count))
objects[2] = f'<< /Type /Pages /Kids [{kids}] /Count {count} >>'.encode()
objects[3] = (f'<< /Type /XObject /Subtype /Image /Width {w} /Height {h} /ColorSpace /DeviceRGB '
              f'/BitsPerComponent 8 /Filter /DCTDecode /Length {len(jpeg)} >>\nstream\n').encode() + jpeg + b'\nendstream'
pw, ph = w * 72 / 300, h * 72 / 300
draw = f'q {pw:.2f} 0 0 {ph:.2f} 0 0 cm /Im0 Do Q'.encode()
objects[4] = b'<< /Length %d >>\nstream\n' % len(draw) + draw + b'\nendstream'
for i in range(count):
    objects[5 + i] = (f'<< /Type /Page /Parent 2 0 R /MediaBox [0 0 {pw:.2f} {ph:.2f}] '
                          f'/Resources << /XObject << /Im0 3 0 R >> >> /Contents 4 0 R >>').encode()
n = 5 + count
body, offsets = b'%PDF-1.4\n', {}
for k in sorted(objects):
    offsets[k] = len(body)
    body += b'%d 0 obj\n' % k + objects[k] + b'\nendobj\n'
xref = len(body)
body += b'xref\n0 %d\n0000000000 65535 f \n' % n
for k in range(1, n):
    body += b'%010d 00000 n \n' % offsets[k]
body += b'trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n' % (n, xref)
open(out, 'wb').write(body)
PY
measure "$lote" -o "$work/largo" -j 2 --gris 140,20 --formato tif "$work/largo.pdf"
bound=$(((2 * 2 * 4 * width * height) / 1048576 + 150))
printf '500 páginas, --formato tif -j 2: %s s, pico %d MB (cota %d MB)\n' "$s" $((kb / 1024)) $bound
