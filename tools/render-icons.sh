#!/usr/bin/env bash
# Renders the program's icon (resources/icons/vazovi.svg) to the PNG sizes a desktop's icon theme
# uses, into resources/desktop/icons/NxN.png. Run it after changing the SVG and commit the PNGs;
# the build itself needs no SVG renderer. Needs rsvg-convert (package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/.."
mkdir -p resources/desktop/icons
for size in 16 22 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" resources/icons/vazovi.svg -o "resources/desktop/icons/${size}x${size}.png"
done
echo "render-icons.sh: wrote resources/desktop/icons/*.png"
