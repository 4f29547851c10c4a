#!/bin/sh
# Renders the hicolor PNG sizes of the application icon from dravel.svg (librsvg2-bin).
# Run after changing the SVG; the PNGs are kept in the tree so a build needs no renderer.
set -eu
cd "$(dirname "$0")"
for size in 16 22 32 48 64 128 256; do
  mkdir -p "hicolor/${size}x${size}/apps"
  rsvg-convert -w "$size" -h "$size" dravel.svg -o "hicolor/${size}x${size}/apps/dravel.png"
done
