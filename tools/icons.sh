#!/usr/bin/env bash
# Renders the PNG sizes of Klaxo's icon from its SVG into the hicolor tree
# under data/icons/. Rerun it after changing the SVG and commit the PNGs; the
# 64-pixel one is also the window icon.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh librsvg2-bin
icons=data/icons/hicolor
svg="$icons/scalable/apps/org.klaxo.Klaxo.svg"
for size in 16 22 24 32 48 64 128 256; do
  mkdir -p "$icons/${size}x${size}/apps"
  rsvg-convert --width "$size" --height "$size" "$svg" --output "$icons/${size}x${size}/apps/org.klaxo.Klaxo.png"
done
