#!/usr/bin/env bash
# The layers of src/ and what each may include of the others: pixels is the
# ground floor and sees no widget; the Qt layer forms/ sees only pixels; the
# window and the batch command stand on pixels and never on each other;
# documents (PDF, TIFF of many pages) stands on pixels and only the batch
# command stands on it.
set -uo pipefail
src=${1:-$(dirname "$0")/../src}
status=0
allowed() {
  case $1 in
    pixels) echo "pixels" ;;
    window/forms) echo "pixels window/forms" ;;
    window) echo "pixels window/forms window" ;;
    documents) echo "pixels documents" ;;
    batch) echo "pixels documents batch" ;;
  esac
}
for layer in pixels documents window/forms window batch; do
  for file in "$src/$layer"/*.h "$src/$layer"/*.cpp; do
    [ -e "$file" ] || continue
    while IFS= read -r included; do
      folder=$(dirname "$included")
      ok=0
      for a in $(allowed "$layer"); do [ "$folder" = "$a" ] && ok=1; done
      if [ $ok -eq 0 ]; then
        echo "${file#"$src"/} includes $included, outside what $layer stands on" >&2
        status=1
      fi
    done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
  done
done
if grep -ln '#include <Q\(Widget\|Application\|Dialog\|MessageBox\|Label\|PushButton\|LineEdit\)\|#include <QtWidgets' \
  "$src"/pixels/* "$src"/documents/* "$src"/batch/*; then
  echo "the files above include Qt Widgets" >&2
  status=1
fi
exit $status
