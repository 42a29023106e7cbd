#!/bin/sh
# Draws the picture shown when a map has no level shot (ImageMagick). The result,
# nolevelshot.jpg, is committed and compiled into the match starter as a resource.
cd "$(dirname "$0")" &&
convert -size 256x192 gradient:'#1d2a3a'-'#07090d' \
  -stroke '#c8641e' -strokewidth 1 -fill none \
  -draw "line 0,150 256,150" -draw "line 0,165 256,165" -draw "line 0,182 256,182" \
  -draw "line 128,130 40,192" -draw "line 128,130 216,192" -draw "line 128,130 0,180" \
  -draw "line 128,130 256,180" -draw "line 128,130 128,192" \
  -stroke '#e8a040' -strokewidth 3 -draw "circle 128,70 128,38" \
  -strokewidth 2 -draw "line 128,22 128,52" -draw "line 128,88 128,118" \
  -draw "line 80,70 110,70" -draw "line 146,70 176,70" \
  -fill '#e8a040' -stroke none -draw "circle 128,70 131,70" \
  -fill '#d8dde6' -pointsize 14 -gravity south -annotate +0+52 'NO LEVEL SHOT' \
  -strip -quality 90 nolevelshot.jpg
