#!/bin/sh
# Draws the launcher's artwork from scratch: a calm evening-blue gradient with the word "Corvex".
#   app/res/main.jpg   640x480, the main window's picture. The window shows only its left 602
#                      columns, and the buttons (top) and the log (from row 200) cover most of it:
#                      the word sits in the free band between them.
#   app/res/about.jpg  208x208, the picture box shown while the launcher waits.
#   app/res/ostrel.ico 32x32 and 16x16, 16 colours (4 bits per pixel) each.
# Both pictures are baseline (not progressive) JPEGs, 8 bits per sample, three components.
# Debian's ImageMagick 6 is called by its full path on purpose: /usr/local/bin may hold another.
set -eu

convert=/usr/bin/convert
here=$(cd "$(dirname "$0")/.." && pwd)
res=$here/app/res
fonts=/usr/share/fonts/truetype/dejavu
bold=$fonts/DejaVuSans-Bold.ttf
light=$fonts/DejaVuSans-ExtraLight.ttf
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

top='#16324a'
bottom='#5f93a8'
ink='#eef3f6'
quiet='#b9d0db'

# Three components, 8 bits, baseline, no metadata: what the launcher's decoder is given.
jpeg() {
    "$convert" "$1" -alpha off -colorspace sRGB -type TrueColor -depth 8 \
        -interlace none -sampling-factor 2x2,1x1,1x1 -quality 90 -strip "$2"
}

"$convert" -size 640x480 "gradient:$top-$bottom" \
    -font "$bold" -pointsize 64 -fill "$ink" -gravity northwest -annotate +170+92 'Corvex' \
    -font "$light" -pointsize 18 -fill "$quiet" -annotate +176+164 'started by Ostrel' \
    "$work/main.png"
jpeg "$work/main.png" "$res/main.jpg"

"$convert" -size 208x208 "gradient:$top-$bottom" \
    -font "$bold" -pointsize 40 -fill "$ink" -gravity center -annotate +0-10 'Corvex' \
    -font "$light" -pointsize 14 -fill "$quiet" -annotate +0+30 'Ostrel' \
    "$work/about.png"
jpeg "$work/about.png" "$res/about.jpg"

# Each size drawn at its own scale, then reduced to a 16-colour palette without dithering so
# that the small letter stays clean.
icon() {
    size=$1 point=$2
    "$convert" -size "${size}x${size}" "gradient:$top-$bottom" \
        -font "$bold" -pointsize "$point" -fill "$ink" -gravity center -annotate +0+0 'C' \
        -alpha off +dither -colors 16 -type Palette "BMP3:$work/icon$size.bmp"
}
icon 32 26
icon 16 14
"$convert" "$work/icon32.bmp" "$work/icon16.bmp" "$res/ostrel.ico"
