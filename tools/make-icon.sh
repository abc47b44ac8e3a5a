#!/usr/bin/env bash
# Renders the program icon's pictures from its drawing: resources/icon/kovaro.svg to
# resources/icon/kovaro-<size>.png at every size the window systems ask for. The pictures are
# committed, so the build needs no converter; run this after changing the drawing.
# Needs rsvg-convert (Debian package librsvg2-bin).
set -euo pipefail
folder="$(dirname "$0")/../resources/icon"
for size in 16 22 24 32 48 64 128 256; do
  rsvg-convert --width "$size" --height "$size" --output "$folder/kovaro-$size.png" "$folder/kovaro.svg"
done
