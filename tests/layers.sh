#!/usr/bin/env bash
# The rooms of src/ and what each may include of the others. core stands on
# nothing of ours; formats on core; documents (PDF, TIFF of many pages) on
# formats; the window's model on core and formats; forms/ (the layer over Qt
# Widgets) on the model; the window on all of those but documents; the batch
# command on core, formats and documents. No arrow points up or sideways, and
# only forms/ and the window see Qt Widgets.
set -uo pipefail
src=${1:-$(dirname "$0")/../src}
status=0
allowed() {
  case $1 in
    core) echo "core" ;;
    formats) echo "core formats" ;;
    formats/documents) echo "core formats formats/documents" ;;
    window/model) echo "core formats window/model" ;;
    window/forms) echo "core formats window/model window/forms" ;;
    window) echo "core formats window/model window/forms window" ;;
    batch) echo "core formats formats/documents batch" ;;
  esac
}
rooms="core formats formats/documents window/model window/forms window batch"
for room in $rooms; do
  for file in "$src/$room"/*.h "$src/$room"/*.cpp; do
    [ -e "$file" ] || continue
    while IFS= read -r included; do
      folder=$(dirname "$included")
      ok=0
      for a in $(allowed "$room"); do [ "$folder" = "$a" ] && ok=1; done
      if [ $ok -eq 0 ]; then
        echo "${file#"$src"/} includes $included, outside what $room stands on" >&2
        status=1
      fi
    done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
  done
done
# Every source file lives in one of the rooms.
while IFS= read -r file; do
  room=$(dirname "${file#"$src"/}")
  case " $rooms " in *" $room "*) ;; *)
    echo "${file#"$src"/} is in no room" >&2
    status=1
    ;;
  esac
done < <(find "$src" -name '*.h' -o -name '*.cpp')
if grep -ln '#include <Q\(Widget\|Application\|Dialog\|MessageBox\|Label\|PushButton\|LineEdit\)\|#include <QtWidgets' \
  "$src"/core/*.* "$src"/formats/*.* "$src"/formats/documents/*.* "$src"/window/model/*.* "$src"/batch/*.*; then
  echo "the files above include Qt Widgets" >&2
  status=1
fi
exit $status
