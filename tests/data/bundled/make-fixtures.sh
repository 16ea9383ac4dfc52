#!/bin/sh
# Makes the pictures the bundled plug-ins' tests decode, and beside each one NAME.rgba: the
# pixels as ImageMagick decodes the same file (8-bit RGBA, rows top-down), the reference the
# plug-ins are compared with. Usage: make-fixtures.sh OUTPUT-FOLDER
set -eu
out=$1
mkdir -p "$out"
cd "$out"

# A small picture with an odd width (rows need padding), a gradient and a flat patch.
convert -size 37x23 gradient:'#ff0000-#0000ff' -fill '#20c040' -draw 'rectangle 5,4 14,12' \
  -depth 8 -type TrueColor base.png
# A larger, busier one: several decoding bands, and JPEG detail to compare.
convert -size 640x480 -seed 7 plasma:fractal -blur 0x1 -depth 8 busy.png

convert base.png -quality 92 photo.jpg
convert busy.png -quality 90 busy.jpg
convert base.png PNG24:photo.png
convert base.png +dither -type Palette PNG8:palette.png
convert base.png -alpha set -channel A -fx 'i/w' +channel -depth 8 PNG32:alpha.png
convert base.png -depth 16 PNG48:deep.png
convert base.png -colorspace Gray -depth 8 grey.png
convert base.png +dither photo.gif
convert alpha.png -channel A -threshold 50% +channel +dither clear.gif
convert base.png -compress None photo.tif
convert base.png -compress LZW lzw.tif
convert base.png BMP3:photo.bmp
convert base.png photo.ico
convert alpha.png alpha.ico
# Two sizes, the smaller first: the plug-in shows the larger.
convert \( base.png -resize 50% \) base.png sizes.ico
# Two frames: the plug-in shows the first.
convert base.png \( base.png -negate \) +dither animated.gif
convert base.png photo.tga
convert base.png -orient TopLeft top.tga
convert base.png -compress RLE rle.tga
convert alpha.png alpha.tga
convert base.png -type TrueColor photo.psd
convert base.png photo.ppm
convert base.png -colorspace Gray -depth 8 grey.pgm

for f in photo.jpg busy.jpg photo.png palette.png alpha.png deep.png grey.png photo.gif clear.gif \
         photo.tif lzw.tif photo.bmp photo.ico alpha.ico photo.tga top.tga rle.tga alpha.tga \
         photo.psd photo.ppm grey.pgm; do
  # -auto-orient: ImageMagick reads a bottom-up TGA's rows in stored order and only notes the
  # orientation; the reference is the picture the right way up.
  convert "$f[0]" -auto-orient -depth 8 "rgba:$f.rgba"
done
convert 'sizes.ico[1]' -depth 8 rgba:sizes.ico.rgba
convert 'animated.gif[0]' -depth 8 rgba:animated.gif.rgba
# How the JPEG looks once its EXIF orientation is applied (the tests add the EXIF tag).
convert photo.jpg -rotate 90 -depth 8 rgba:photo-6.rgba
convert photo.jpg -rotate 180 -depth 8 rgba:photo-3.rgba
convert photo.jpg -rotate 270 -depth 8 rgba:photo-8.rgba
convert photo.jpg -flop -depth 8 rgba:photo-2.rgba
touch fixtures.stamp
