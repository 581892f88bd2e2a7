#!/usr/bin/env bash
# Builds the loader's fuzz targets (one a format) and the document reader's
# ("pdf": PDF and TIFF of several pages) with clang and runs each for its
# share of FUZZ_SECONDS (60 by default, FUZZ_FORMATS for fewer formats) from
# its seeds in fuzz/seeds/<format> and every file in fuzz/regressions.
# Inputs that crash are written to fuzz/regressions/<format>-..., which the
# unit tests replay.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}
build_dir=${FUZZ_BUILD_DIR:-build-fuzz}
read -r -a formats <<<"${FUZZ_FORMATS:-bmp gif jpeg png tiff pdf}"
target_of() { if [ "$1" = pdf ]; then echo document_fuzzer; else echo "load_fuzzer_$1"; fi; }
targets=()
for format in "${formats[@]}"; do targets+=("$(target_of "$format")"); done
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined" \
  -DTINTABORRA_FUZZ=ON -DTINTABORRA_TESTS=OFF -DTINTABORRA_BENCHMARKS=OFF -DTINTABORRA_TOOLS=OFF >/dev/null
cmake --build "$build_dir" --target "${targets[@]}"
share=$((seconds / ${#formats[@]}))
[ "$share" -ge 1 ] || share=1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for format in "${formats[@]}"; do
  mkdir -p "$work/$format"
  cp fuzz/seeds/"$format"/* fuzz/regressions/* "$work/$format"/ 2>/dev/null || true
  echo "== $format: $share s"
  ASAN_OPTIONS=detect_leaks=0:allocator_may_return_null=1 QT_QPA_PLATFORM=offscreen \
    "$build_dir/fuzz/$(target_of "$format")" "$work/$format" -max_total_time="$share" -max_len=65536 \
    -rss_limit_mb=2560 -timeout=10 -artifact_prefix="fuzz/regressions/$format-" -print_final_stats=1 \
    >"$work/$format.log" 2>&1 || status=1
  tail -n 12 "$work/$format.log"
done
exit "$status"
