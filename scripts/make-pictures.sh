#!/bin/sh
# Draws the program's pictures with ImageMagick and writes them into
# src/ui/resources: the program icon (32 and 64 pixels), the 16 x 16 toolbar
# glyphs with their disabled twins, and the About window's two JPEGs.
# The results are committed; run this again only after changing a drawing.
set -eu

out="$(cd "$(dirname "$0")/.." && pwd)/src/ui/resources"
mkdir -p "$out/glyphs"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

# Only the sixteen colours of the classic palette, no smoothing: the pictures
# keep the look of 16-colour icons.
draw() {  # draw SIZE FILE MVG
  convert -size "$1" xc:none +antialias -strokewidth 1 -draw "$3" -define png:color-type=6 "$2"
}

# The disabled twin: the dark parts of the picture in grey with a white
# shadow one pixel down and right, the usual look of a switched-off button.
disable() {  # disable NORMAL DISABLED
  convert "$1" \( +clone -colorspace Gray -threshold 55% -negate \) \( -clone 0 -alpha extract \) \
    -delete 0 -compose multiply -composite "$tmp/mask.png"
  convert "$tmp/mask.png" -background '#808080' -alpha shape "$tmp/grey.png"
  convert "$tmp/mask.png" -background white -alpha shape "$tmp/white.png"
  convert \( "$tmp/white.png" -repage +1+1 \) \( "$tmp/grey.png" -repage +0+0 \) -background none \
    -layers merge +repage -crop 16x16+0+0 +repage -define png:color-type=6 "$2"
}

glyph() {  # glyph KEY MVG
  draw 16x16 "$out/glyphs/$1.png" "$2"
  disable "$out/glyphs/$1.png" "$out/glyphs/$1-disabled.png"
}

glyph search "fill aqua stroke navy circle 6,6 6,2 fill white stroke none rectangle 4,4 5,4
  stroke black stroke-width 2 line 10,10 14,14"
glyph stop "fill red stroke maroon polygon 5,1 10,1 14,5 14,10 10,14 5,14 1,10 1,5
  fill white stroke none rectangle 4,7 11,8"
glyph save "fill navy stroke black rectangle 1,1 14,14 fill white stroke none rectangle 4,2 11,7
  stroke navy line 5,4 10,4 stroke none fill silver rectangle 4,10 11,14 fill navy rectangle 5,11 6,13"
glyph progress "fill white stroke black rectangle 0,4 15,11 fill green stroke none rectangle 2,6 9,9
  fill lime rectangle 3,7 8,8 fill black rectangle 11,6 11,9"
glyph create "fill white stroke black polygon 3,2 10,2 13,5 13,15 3,15 fill silver polygon 10,2 10,5 13,5
  fill yellow stroke olive polygon 4,0 5,3 8,4 5,5 4,8 3,5 0,4 3,3"
glyph merge "fill white stroke black rectangle 0,0 6,7 rectangle 9,0 15,7
  stroke #808080 line 2,2 4,2 line 2,4 4,4 line 11,2 13,2 line 11,4 13,4
  fill blue stroke navy polygon 5,8 10,8 10,10 13,10 7,15 2,10 5,10"
glyph home "fill red stroke maroon polygon 8,1 15,8 1,8 fill yellow stroke black rectangle 3,8 12,14
  fill maroon stroke none rectangle 7,10 9,14 fill aqua stroke black rectangle 4,10 5,11"
glyph about "fill blue stroke navy circle 7,7 7,0 fill white stroke none rectangle 6,3 8,4 rectangle 6,6 8,11
  rectangle 5,11 9,11"
glyph exit "fill #808080 stroke black rectangle 2,1 9,14 fill maroon stroke black polygon 2,1 6,3 6,15 2,14
  fill lime stroke green polygon 8,6 11,6 11,4 15,8 11,12 11,10 8,10"
glyph builder-create "fill white stroke black rectangle 2,1 11,14 stroke navy line 4,4 9,4 line 4,6 9,6
  line 4,8 7,8 fill green stroke black rectangle 9,9 15,15 fill white stroke none rectangle 10,12 14,12
  rectangle 12,10 12,14"
glyph builder-use "fill white stroke black rectangle 1,1 10,14 stroke navy line 3,4 8,4 line 3,6 8,6
  line 3,8 6,8 line 3,10 6,10 fill lime stroke green polygon 8,5 15,9 8,13"
glyph builder-save "fill teal stroke black rectangle 1,1 14,14 fill white stroke none rectangle 4,2 11,7
  stroke teal line 5,4 10,4 stroke none fill silver rectangle 4,10 11,14 fill teal rectangle 5,11 6,13"
glyph cleanup "fill silver stroke black rectangle 5,0 10,2 rectangle 2,2 13,4
  polygon 3,5 12,5 11,15 4,15 stroke #808080 line 6,7 6,13 line 9,7 9,13"
glyph team "fill teal stroke navy circle 4,4 4,2 circle 11,4 11,2
  fill aqua stroke navy polygon 0,14 1,8 7,8 8,14 polygon 7,14 8,8 14,8 15,14"

# The program icon: a fax machine printing a page.
icon="fill white stroke black rectangle 8,2 23,12 stroke #808080 line 10,5 21,5 line 10,7 19,7 line 10,9 21,9
  fill silver stroke black rectangle 2,12 29,28 fill black stroke none rectangle 6,12 25,13
  fill navy stroke black roundrectangle 3,14 9,27 2,2 fill teal stroke black rectangle 13,15 25,17
  fill white stroke none rectangle 14,20 15,21 rectangle 18,20 19,21 rectangle 22,20 23,21
  rectangle 14,23 15,24 rectangle 18,23 19,24 rectangle 22,23 23,24 fill red rectangle 27,15 28,16
  fill #808080 rectangle 11,26 26,27"
draw 32x32 "$out/program-32.png" "$icon"
convert "$out/program-32.png" -filter point -resize 64x64 -define png:color-type=6 "$out/program-64.png"

# The About window's pictures: the icon with the product name (66 x 46) and a
# name banner (188 x 18). Plain baseline JPEG without metadata.
convert -size 66x46 gradient:'#000080-#0000FF' \( "$out/program-32.png" \) -geometry +1+7 -composite \
  -font DejaVu-Sans-Bold -pointsize 10 -fill white -annotate +34+27 'Valo' \
  -strip -interlace none -quality 92 "$out/about-logo.jpg"
convert -size 18x188 gradient:'#000080-#008080' -rotate 90 \
  -font DejaVu-Sans-Bold -pointsize 10 -fill white -gravity center -annotate +0+0 'Valo Fax Search  V2.1' \
  -strip -interlace none -quality 92 "$out/about-banner.jpg"
