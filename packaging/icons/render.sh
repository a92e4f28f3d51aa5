#!/usr/bin/env bash
# Renders the committed PNG sizes of the hicolor icons from their SVG sources.
# Run it after changing an SVG, then commit the PNGs (the build does not need
# ImageMagick).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
for svg in "$here"/*.svg; do
  name=$(basename "$svg" .svg)
  for size in 16 32 48 64 128 256; do
    out="$here/hicolor/${size}x${size}/apps/$name.png"
    mkdir -p "$(dirname "$out")"
    # Render large, then scale down: small sizes stay crisp and centred.
    convert -background none -density 384 "$svg" -resize "${size}x${size}" \
      -strip -define png:exclude-chunks=date,time "PNG32:$out"
  done
done
