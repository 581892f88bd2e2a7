#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: the unit tests on the
# offscreen platform and the end-to-end tests under Xvfb, then the same suite
# built with AddressSanitizer and UndefinedBehaviorSanitizer, then the
# picture loader's fuzz target for a bounded time (FUZZ_SECONDS, 60).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

cmake --preset default >/dev/null
cmake --build --preset default
ctest --preset default --parallel 2

cmake --preset sanitize >/dev/null
cmake --build --preset sanitize
ctest --preset sanitize --parallel 2

scripts/fuzz.sh
