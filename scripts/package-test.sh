#!/usr/bin/env bash
# Builds the Debian package (build-package/, configured for /usr) and tries it
# in a brand-new Debian 12 root, as a user who has nothing else installed would:
# `apt-get install ./tintaborra_*.deb`, then a one-page PDF through
# tintaborra-lote (which loads the documents library from where the package put
# it) compared byte for byte with the build's own result, and the window started
# under xvfb-run. Needs root (debootstrap, chroot) and a few minutes; it is not
# part of .ci/run.
# Usage (as root): scripts/package-test.sh
# The Debian root is copied from /tmp/fresh-debian-base when that exists (made
# once by debootstrap otherwise, into a folder of this run), and removed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
project=$PWD
[ "$(id -u)" -eq 0 ] || { echo "package-test.sh: hay que ejecutarlo como root (chroot)" >&2; exit 2; }

echo "== Paquete"
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DTINTABORRA_TESTS=OFF -DTINTABORRA_BENCHMARKS=OFF -DTINTABORRA_TOOLS=OFF >/dev/null
cmake --build build-package --parallel "${JOBS:-2}" >/dev/null
rm -f build-package/tintaborra_*.deb
(cd build-package && cpack -G DEB >/dev/null)
deb=$(ls build-package/tintaborra_*_amd64.deb)
echo "$deb"

work=$(mktemp -d /tmp/tintaborra-paquete.XXXXXX)
root=$work/root
cleanup() {
  for m in dev sys proc; do mountpoint -q "$root/$m" 2>/dev/null && umount -l "$root/$m"; done
  rm -rf "$work"
}
trap cleanup EXIT

# The input and what the build makes of it.
lote=build-package/src/batch/tintaborra-lote
steps=(--quitar 200,30,30 --gris 140,20)
"$lote" -o "$work/in" --formato pdf src/window/resources/H.jpg >/dev/null 2>&1
"$lote" -o "$work/expected" "${steps[@]}" "$work/in/H.pdf" >/dev/null 2>&1

echo "== Raíz Debian 12 nueva"
base=/tmp/fresh-debian-base
if [ -x "$base/bin/bash" ]; then
  cp -a "$base" "$root"
else
  command -v debootstrap >/dev/null || { apt-get update -q && apt-get install -y -q debootstrap; }
  mirror=$(awk '/^URIs:/{print $2; exit}' /etc/apt/sources.list.d/debian.sources 2>/dev/null || true)
  [ -n "$mirror" ] || mirror=http://deb.debian.org/debian
  debootstrap --variant=minbase bookworm "$root" "$mirror" >"$work/debootstrap.log" 2>&1 \
    || { tail -5 "$work/debootstrap.log"; exit 1; }
  cp /etc/resolv.conf "$root/etc/resolv.conf"
fi
mkdir -p "$root/prueba"
cp "$deb" "$root/prueba/"
cp "$work/in/H.pdf" "$root/prueba/"
mount -t proc proc "$root/proc"
mount --rbind /sys "$root/sys" && mount --make-rslave "$root/sys"
mount --rbind /dev "$root/dev" && mount --make-rslave "$root/dev"
in_root() {
  chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
    DEBIAN_FRONTEND=noninteractive /bin/bash -c "$1"
}

echo "== apt-get install ./$(basename "$deb")"
in_root "apt-get update -q >/dev/null && cd /prueba && apt-get install -y -q ./$(basename "$deb") >/prueba/apt.log 2>&1" \
  || { tail -20 "$root/prueba/apt.log"; exit 1; }
grep -E "^(Setting up|Configurando) tintaborra" "$root/prueba/apt.log"
grep -E "newly installed|nuevos se instalarán" "$root/prueba/apt.log" || true

failed=0
echo "== Órdenes instaladas"
in_root "command -v tintaborra tintaborra-lote && tintaborra --version && tintaborra-lote --version" || failed=1

echo "== Un documento de una página con tintaborra-lote"
in_root "cd /prueba && tintaborra-lote -o salida ${steps[*]} H.pdf" || failed=1
if cmp "$root/prueba/salida/H-1.png" "$work/expected/H-1.png"; then
  echo "igual byte a byte que el del build ($(stat -c %s "$work/expected/H-1.png") bytes)"
else
  echo "FALLO: el resultado del paquete no es el del build"
  failed=1
fi

echo "== La ventana bajo xvfb-run (solo para esta prueba se instala xvfb)"
in_root "apt-get install -y -q --no-install-recommends xvfb xauth >/dev/null 2>&1" || { echo "no se pudo instalar xvfb"; exit 1; }
# Still running after 5 s (timeout's 124) means it started and stayed up.
set +e
in_root "xvfb-run -a -s '-screen 0 1024x768x24' timeout 5 tintaborra" >"$work/window.log" 2>&1
rc=$?
set -e
if [ "$rc" -eq 124 ]; then
  echo "la ventana siguió abierta 5 s (terminada por timeout)"
else
  echo "FALLO: la ventana terminó con el estado $rc"
  failed=1
fi
if [ -s "$work/window.log" ]; then
  echo "su salida de errores:"
  sed 's/^/  /' "$work/window.log"
fi

[ "$failed" -eq 0 ] && echo "== Correcto" || echo "== Con fallos"
exit "$failed"
