#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: the unit tests on the
# offscreen platform and the end-to-end tests under Xvfb, then the same suite
# built with AddressSanitizer and UndefinedBehaviorSanitizer, then the
# picture loader's fuzz target for a bounded time (FUZZ_SECONDS, 60).
# Every stage runs even when an earlier one fails; the command fails when any
# stage did, and names them.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh || exit 1

failed=()
stage() {
  local name=$1
  shift
  echo "== $name"
  "$@" || failed+=("$name")
}
suite() {
  cmake --preset "$1" >/dev/null && cmake --build --preset "$1" && ctest --preset "$1" --parallel 2
}

stage "plain suite" suite default
stage "sanitized suite" suite sanitize
stage "fuzzing" scripts/fuzz.sh

if [ ${#failed[@]} -gt 0 ]; then
  echo "FAILED: ${failed[*]}" >&2
  exit 1
fi
echo "All suites passed."
