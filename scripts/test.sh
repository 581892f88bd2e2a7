#!/usr/bin/env bash
# Installs what is missing, builds and runs every test (unit tests on the
# offscreen platform, end-to-end tests under Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
cd "${BUILD_DIR:-build}"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 300 --parallel 2
