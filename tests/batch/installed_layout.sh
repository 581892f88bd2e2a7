#!/usr/bin/env bash
# tintaborra-lote as installed: `cmake --install` into a scratch prefix, then a
# one-page PDF through the installed command must give the build's own bytes,
# whether the command is run by its path, through a symbolic link from another
# folder, or moved into a prefix laid out differently; with its documents
# library gone it must fail that document with the Spanish reason, and still
# write the pictures.
# Usage: installed_layout.sh BUILD_DIR
set -uo pipefail
build=$(readlink -f "$1")
lote=$build/src/batch/tintaborra-lote
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FALLO: $*" >&2; failures=$((failures + 1)); }

cmake --install "$build" --prefix "$work/usr" >/dev/null || { echo "no se pudo instalar" >&2; exit 1; }
installed=$work/usr/bin/tintaborra-lote
[ -x "$installed" ] || { echo "no se instaló tintaborra-lote" >&2; exit 1; }

# The input: a one-page PDF made by the build, and a picture.
"$lote" -o "$work/in" --formato pdf "$(dirname "$0")/../../src/window/resources/H.jpg" >/dev/null 2>&1 \
  || { echo "no se pudo hacer el PDF de prueba" >&2; exit 1; }
cp "$(dirname "$0")/../../src/window/resources/H.jpg" "$work/in/foto.jpg"
steps=(--quitar 200,30,30 --gris 140,20)
"$lote" -o "$work/expected" "${steps[@]}" "$work/in/H.pdf" >/dev/null 2>&1 || { echo "la orden del build falló" >&2; exit 1; }

mkdir -p "$work/links"
ln -s "$installed" "$work/links/tintaborra-lote"
# The same tree with its library folder named as a multiarch system names it
# is a different layout: the command must not find the library there.
cp -a "$work/usr" "$work/moved"
mv "$work/moved/lib" "$work/moved/lib64"

# name | command | expected exit status | expected output
cases=(
  "instalada|$installed|0|same"
  "por un enlace|$work/links/tintaborra-lote|0|same"
  "sin su biblioteca|$work/moved/bin/tintaborra-lote|1|missing"
)
n=0
for c in "${cases[@]}"; do
  n=$((n + 1))
  IFS='|' read -r name command status expect <<<"$c"
  out=$work/out-$n
  err=$("$command" -o "$out" "${steps[@]}" "$work/in/H.pdf" "$work/in/foto.jpg" 2>&1 >/dev/null)
  rc=$?
  [ "$rc" = "$status" ] || fail "$name: estado $rc, se esperaba $status ($err)"
  case $expect in
    same) cmp -s "$out/H-1.png" "$work/expected/H-1.png" || fail "$name: el resultado no es el del build" ;;
    missing)
      grep -q "falta su biblioteca" <<<"$err" || fail "$name: sin el motivo en español: $err"
      [ ! -e "$out/H-1.png" ] || fail "$name: escribió el documento sin su biblioteca"
      [ -e "$out/foto.png" ] || fail "$name: no escribió la imagen" ;;
  esac
done
[ "$failures" = 0 ] && echo "correcto: ${#cases[@]} casos"
exit $((failures > 0))
