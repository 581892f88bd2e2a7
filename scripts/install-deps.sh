#!/usr/bin/env bash
# Installs the Debian packages needed to build, test and run Tintaborra, only when missing.
# With --bench, also the programs the benchmarks measure against (bench/documents.sh);
# with --paquete, the checkers of the Debian package (README, "Install the package").
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n qt6-image-formats-plugins libgl-dev
  qt6-tools-dev qt6-l10n-tools
  libgtest-dev libgmock-dev libbenchmark-dev libleptonica-dev libhwy-dev libtiff-dev libjpeg62-turbo-dev zlib1g-dev
  libpoppler-qt6-dev libqpdf-dev libtiff-tools
  clang libclang-rt-dev
  xvfb xauth xdotool xclip x11-apps x11-utils imagemagick openbox time
  fonts-liberation2
)
if [ "${1:-}" = "--bench" ]; then
  packages+=(ghostscript img2pdf libtiff-tools poppler-utils)
fi
if [ "${1:-}" = "--paquete" ]; then
  packages+=(lintian desktop-file-utils appstream)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
