#!/usr/bin/env bash
# Installs what is missing, builds and starts Tintaborra.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "Tintaborra is a desktop program and no display was found (DISPLAY is not set)." >&2
  echo "To run it without a screen, under a virtual X server:" >&2
  echo "  xvfb-run -s '-screen 0 1024x768x24' build/src/tintaborra" >&2
  exit 1
fi
exec build/src/tintaborra
