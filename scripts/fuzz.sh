#!/usr/bin/env bash
# Builds the loader's fuzz target with clang and runs it for a bounded time
# (FUZZ_SECONDS, 60 by default) from the seed corpus. Inputs that crash are
# written to fuzz/regressions/, which the unit tests replay.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}
build_dir=${FUZZ_BUILD_DIR:-build-fuzz}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined" \
  -DTINTABORRA_FUZZ=ON -DTINTABORRA_TESTS=OFF -DTINTABORRA_BENCHMARKS=OFF -DTINTABORRA_TOOLS=OFF >/dev/null
cmake --build "$build_dir" --target load_fuzzer
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp fuzz/seeds/* fuzz/regressions/* "$work"/ 2>/dev/null || true
ASAN_OPTIONS=detect_leaks=0:allocator_may_return_null=1 QT_QPA_PLATFORM=offscreen \
  "$build_dir/fuzz/load_fuzzer" "$work" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2560 \
  -timeout=10 -artifact_prefix=fuzz/regressions/ -print_final_stats=1 2>&1 | tail -n 15
