#!/usr/bin/env bash
# Start-up of the two programs' answers that need no picture: `tintaborra-lote
# --help` and `tintaborra --version`, for each build folder given, interleaved
# run by run so that both see the same machine. Median and best of N runs, ms.
# Usage: bench/startup.sh [-n N] BUILD_DIR...   (e.g. /work/base/build build)
set -euo pipefail
runs=30
[ "${1:-}" = "-n" ] && { runs=$2; shift 2; }
[ $# -ge 1 ] || { echo "uso: bench/startup.sh [-n N] CARPETA_DE_BUILD..." >&2; exit 2; }
# No display, as a script or a terminal without X has it: --version must not need one.
unset DISPLAY WAYLAND_DISPLAY

ms() {  # runs the command once, prints its wall time in ms and its exit status
  local start end rc
  start=$(date +%s%N)
  "$@" >/dev/null 2>&1 && rc=0 || rc=$?
  end=$(date +%s%N)
  echo "$(((end - start) / 1000)) $rc"
}

declare -A times status
for ((i = 0; i < runs; i++)); do
  for b in "$@"; do
    for what in lote window; do
      if [ "$what" = lote ]; then r=$(ms "$b/src/batch/tintaborra-lote" --help); else r=$(ms "$b/src/tintaborra" --version); fi
      times[$b,$what]+="${r% *} "
      status[$b,$what]=${r#* }
    done
  done
done

printf '%-28s | %-34s | %-34s\n' "" "tintaborra-lote --help" "tintaborra --version (sin pantalla)"
for b in "$@"; do
  line=$(printf '%-28s' "$b")
  for what in lote window; do
    # shellcheck disable=SC2086
    sorted=$(printf '%s\n' ${times[$b,$what]} | sort -n)
    median=$(sed -n "$(((runs + 1) / 2))p" <<<"$sorted")
    best=$(head -1 <<<"$sorted")
    line+=$(printf ' | mediana %6.1f  mejor %6.1f  estado %-3s' "$(bc -l <<<"$median/1000")" "$(bc -l <<<"$best/1000")" "${status[$b,$what]}")
  done
  echo "$line"
done
