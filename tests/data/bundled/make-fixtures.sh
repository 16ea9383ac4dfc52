#!/bin/sh
# Makes the pictures the bundled plug-ins' tests decode, and beside each one NAME.rgba: the
# pixels as ImageMagick decodes the same file (8-bit RGBA, rows top-down), the reference the
# plug-ins are compared with. Usage: make-fixtures.sh OUTPUT-FOLDER
set -eu
here=$(cd "$(dirname "$0")" && pwd)
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
# For the library decoders: the common variants of JPEG and PNG.
convert base.png -quality 85 -interlace Plane progressive.jpg
convert base.png -colorspace Gray -quality 92 grey.jpg
convert base.png -colorspace CMYK -quality 95 cmyk.jpg
convert alpha.png -depth 16 PNG64:deep-alpha.png
convert base.png -colorspace Gray -depth 16 grey16.png
convert alpha.png -colorspace Gray -alpha on -depth 8 -define png:color-type=4 grey-alpha.png
convert base.png -colorspace Gray -threshold 50% -type Bilevel -define png:bit-depth=1 mono.png
convert base.png +dither -colors 16 -define png:bit-depth=4 -type Palette PNG8:palette4.png
# RGB with one colour made transparent (a tRNS colour key).
convert base.png -define png:color-type=2 -transparent '#20c040' colourkey.png
convert alpha.png -channel A -threshold 50% +channel +dither PNG8:clear.png
convert busy.png -interlace PNG interlaced.png
# WebP: lossy, lossless, both with alpha, and an animation of two frames.
convert busy.png -quality 80 lossy.webp
convert base.png -define webp:lossless=true lossless.webp
convert alpha.png -quality 80 alpha.webp
convert alpha.png -define webp:lossless=true alpha-lossless.webp
# (img2webp: ImageMagick's animations announce a RIFF size short of their frames.)
convert base.png -negate negative.png
img2webp -loop 0 -d 100 -lossless base.png -lossy negative.png -o animated.webp >/dev/null 2>&1
# AVIF: 8 bits (ImageMagick), 10 and 12 bits and alpha (libavif's avifenc, which keeps it).
convert busy.png -quality 60 photo.avif
avifenc --min 20 --max 30 alpha.png alpha.avif >/dev/null
convert busy.png -depth 16 PNG48:busy16.png
avifenc -d 10 --min 20 --max 30 busy16.png deep10.avif >/dev/null
avifenc -d 12 --min 20 --max 30 busy16.png deep12.avif >/dev/null
# For the progress reports: a progressive JPEG and an animation whose first frame take a few
# dozen slices of input, and small busy GIF, TIFF and TGA pictures of many rows.
convert busy.png -quality 90 -interlace Plane busy-progressive.jpg
convert busy.png -negate busy-negative.png
img2webp -loop 0 -d 100 -lossy -q 80 busy.png busy-negative.png -o busy-animated.webp >/dev/null 2>&1
convert busy.png -resize 25% +dither busy.gif
convert busy.png -resize 25% -compress LZW -define tiff:rows-per-strip=8 busy.tif
convert busy.png -resize 25% busy.tga
convert base.png -compress RLE rle.tga
convert alpha.png alpha.tga
convert base.png -type TrueColor photo.psd
convert base.png photo.ppm
convert base.png -colorspace Gray -depth 8 grey.pgm

for f in photo.jpg busy.jpg photo.png palette.png alpha.png deep.png grey.png photo.gif clear.gif \
         progressive.jpg grey.jpg cmyk.jpg deep-alpha.png grey16.png grey-alpha.png mono.png \
         palette4.png colourkey.png clear.png interlaced.png \
         lossy.webp lossless.webp alpha.webp alpha-lossless.webp photo.tif lzw.tif photo.bmp photo.ico alpha.ico photo.tga top.tga rle.tga alpha.tga \
         photo.psd photo.ppm grey.pgm; do
  # -auto-orient: ImageMagick reads a bottom-up TGA's rows in stored order and only notes the
  # orientation; the reference is the picture the right way up.
  convert "$f[0]" -auto-orient -depth 8 "rgba:$f.rgba"
done
convert 'sizes.ico[1]' -depth 8 rgba:sizes.ico.rgba
convert 'animated.gif[0]' -depth 8 rgba:animated.gif.rgba
convert 'animated.webp[0]' -depth 8 rgba:animated.webp.rgba
# ImageMagick reads AVIF without its alpha and deep AVIF with other colours: the references are
# libavif's (avifdec, chroma upsampled to the nearest sample as libheif does, 16 bits out).
for f in photo.avif alpha.avif deep10.avif deep12.avif; do
  avifdec -u nearest -d 16 "$f" "$f.png" >/dev/null
  convert "$f.png" -depth 8 "rgba:$f.rgba"
  rm -f "$f.png"
done
# Colour management. Profiles: Display P3, one too large for a JPEG segment and lcms2's sRGB
# (the target without a display profile), written by make-profiles.c; Adobe RGB and another
# maker's sRGB from Debian's icc-profiles-free. The pictures carry a profile assigned to their
# stored pixels. Each reference is lcms2's tificc conversion of those pixels (as ImageMagick, or
# libavif for AVIF, decodes them) to srgb.icc, or to Adobe RGB for the display-profile test
# (NAME.adobe.rgba): perceptual intent, black-point compensation, no precalculated transform,
# and not the chromaticities ImageMagick writes into the TIFF (-n).
# (ImageMagick's own conversion of 16-bit pixels is a dozen levels off near clipped channels.)
icc=/usr/share/color/icc
cc -O2 -o make-profiles "$here/make-profiles.c" -llcms2
./make-profiles .
cp "$icc/compatibleWithAdobeRGB1998.icc" adobe.icc
cp "$icc/sRGB.icc" srgb-debian.icc
convert busy.png -resize 25% -modulate 100,180 -depth 8 vivid.png
convert busy.png -resize 25% -modulate 100,180 -depth 16 PNG48:vivid16.png
# JPEG at full quality without chroma subsampling, so that the decoders agree to a level.
jpeg="-quality 100 -sampling-factor 1x1"
convert vivid.png $jpeg vivid.jpg
for p in p3 p3-big adobe srgb-debian; do
  convert vivid.png $jpeg -profile $p.icc $p.jpg
done
convert vivid.png -profile p3.icc PNG24:p3.png
convert vivid.png -profile adobe.icc PNG24:adobe.png
convert vivid.png -profile srgb-debian.icc PNG24:srgb-debian.png
convert vivid16.png -profile p3.icc PNG48:p3-16.png
convert vivid.png -profile p3.icc -interlace PNG PNG24:p3-interlaced.png
convert vivid.png -alpha set -channel A -fx 'i/w' +channel -profile p3.icc PNG32:p3-alpha.png
convert vivid.png -profile p3.icc -define webp:lossless=true p3.webp
# The 8-bit AVIFs are lossless RGB (identity matrix), so that libavif and libheif decode the same
# pixels: the conversion turns a level's difference in bright green into up to nine where sRGB's
# red falls to zero. cicp-p3.avif has no profile but CICP codes: P3 primaries, sRGB's transfer.
avifenc -l --cicp 2/2/0 --icc p3.icc vivid.png p3.avif >/dev/null 2>&1
avifenc -d 10 --min 0 --max 0 --icc p3.icc vivid16.png p3-10.avif >/dev/null 2>&1
avifenc -l --cicp 12/13/0 vivid.png cicp-p3.avif >/dev/null 2>&1
# reference PICTURE PROFILE TARGET OUTPUT
reference() {
  convert "$1" +profile '*' -compress None "$4.tif"
  tificc -n -t0 -b -c0 -w8 -i"$2" -o"$3" "$4.tif" "$4.out.tif"
  convert "$4.out.tif" -alpha on -depth 8 "rgba:$4"
  rm -f "$4.tif" "$4.out.tif"
}
for f in p3.jpg:p3 p3-big.jpg:p3 adobe.jpg:adobe p3.png:p3 adobe.png:adobe p3-16.png:p3 \
         p3-interlaced.png:p3 p3.webp:p3; do
  reference "${f%:*}" "${f#*:}.icc" srgb.icc "${f%:*}.rgba"
done
convert p3-alpha.png -intent Perceptual -black-point-compensation -profile srgb.icc -depth 8 \
  rgba:p3-alpha.png.rgba
reference p3.png p3.icc adobe.icc p3.png.adobe.rgba
# AVIF: libavif's decode, at the picture's depth.
for f in p3.avif:8 p3-10.avif:16 cicp-p3.avif:8; do
  depth=${f#*:}
  f=${f%:*}
  avifdec -u nearest -d $depth "$f" "$f.png" >/dev/null
  reference "$f.png" p3.icc srgb.icc "$f.rgba"
  rm -f "$f.png"
done
# HDR: a grey ramp over the whole PQ range, BT.2020 primaries, 10 bits.
convert -size 16x1024 gradient:black-white -rotate 270 -depth 16 PNG48:ramp16.png
avifenc -d 10 --min 0 --max 0 --cicp 9/16/9 ramp16.png pq.avif >/dev/null 2>&1
# How the JPEG looks once its EXIF orientation is applied (the tests add the EXIF tag).
convert photo.jpg -rotate 90 -depth 8 rgba:photo-6.rgba
convert photo.jpg -rotate 180 -depth 8 rgba:photo-3.rgba
convert photo.jpg -rotate 270 -depth 8 rgba:photo-8.rgba
convert photo.jpg -flop -depth 8 rgba:photo-2.rgba
touch fixtures.stamp
