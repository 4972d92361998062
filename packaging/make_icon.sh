#!/bin/sh
# Draws quenvar-128.png, the bitmap twin of quenvar.svg, with ImageMagick.
set -e
cd "$(dirname "$0")"
convert -size 128x128 xc:none \
  -fill '#1d2b53' -draw 'roundrectangle 8,8 119,119 16,16' \
  -fill '#ff7a00e6' -draw 'roundrectangle 20,24 79,83 6,6' \
  -fill '#29adffb3' -draw 'roundrectangle 48,44 107,103 6,6' \
  -fill '#fff1e8cc' -draw 'circle 64,64 82,64' \
  -strip PNG32:quenvar-128.png
