#!/usr/bin/env bash
# Renders data/icons/rovanel.svg into the PNGs of data/icons/hicolor/NxN/rovanel.png, which are
# committed, so that building the program needs no SVG renderer. Run it after changing the SVG.
# Needs rsvg-convert (package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/.."
command -v rsvg-convert >/dev/null || { echo "rsvg-convert not found: install librsvg2-bin" >&2; exit 1; }
svg=data/icons/rovanel.svg
for size in 16 24 32 48 64 128 256; do
  dir=data/icons/hicolor/${size}x${size}
  mkdir -p "$dir"
  rsvg-convert --width "$size" --height "$size" --format png "$svg" --output "$dir/rovanel.png"
done
ls -l data/icons/hicolor/*/rovanel.png
