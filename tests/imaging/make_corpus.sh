#!/bin/bash
# Regenerates the fuzzers' seed files: small well-formed BMPs of every depth and JPEGs of every
# colour layout, so the mutations start from pictures the decoders accept.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
convert -size 12x9 xc: -sparse-color Bilinear '0,0 red 11,0 yellow 0,8 blue 11,8 lime' "$work/p.ppm"
jpeg="$here/corpus/fuzz_jpeg"
bmp="$here/corpus/fuzz_bmp"
mkdir -p "$jpeg" "$bmp"
convert "$work/p.ppm" -strip -quality 80 -sampling-factor 2x2 "$jpeg/yuv420.jpg"
convert "$work/p.ppm" -strip -quality 80 -sampling-factor 1x1 -interlace JPEG "$jpeg/progressive.jpg"
convert "$work/p.ppm" -strip -colorspace Gray "$jpeg/gray.jpg"
convert "$work/p.ppm" -strip -colorspace CMYK "$jpeg/cmyk.jpg"
convert "$work/p.ppm" -strip -type Bilevel BMP3:"$bmp/1bit.bmp"
convert "$work/p.ppm" -strip -colors 16 BMP3:"$bmp/4bit.bmp"
convert "$work/p.ppm" -strip -type Palette -compress None BMP3:"$bmp/8bit.bmp"
convert "$work/p.ppm" -strip -type Palette -compress RLE BMP3:"$bmp/rle8.bmp"
convert "$work/p.ppm" -strip -define bmp:subtype=RGB555 BMP:"$bmp/16bit.bmp"
convert "$work/p.ppm" -strip BMP3:"$bmp/24bit.bmp"
convert "$work/p.ppm" -strip -alpha on BMP:"$bmp/32bit-alpha.bmp"
# Jacket cache entries, one opaque (3 bytes a pixel) and one with alpha (4 bytes a pixel).
python3 - "$here/corpus/fuzz_jacket_entry" <<'PY'
import os, struct, sys
out = sys.argv[1]
os.makedirs(out, exist_ok=True)
def fnv(data, h=14695981039346656037):
    for b in data:
        h = ((h ^ b) * 1099511628211) & 0xFFFFFFFFFFFFFFFF
    return h
def entry(path, bpp):
    pixels = bytes((x * 3 + y) & 0xFF for y in range(80) for x in range(80 * bpp))
    body = path + pixels
    head = b"ORVJACKT" + struct.pack("<IIII", 1, 80, 80, bpp)
    head += struct.pack("<QqQII", 12345, 1700000000123456789, 42, len(path), 0)
    return head + struct.pack("<Q", fnv(body)) + body
with open(os.path.join(out, "opaque.jkt"), "wb") as f:
    f.write(entry(b"/music/Album/a.jpg", 3))
with open(os.path.join(out, "alpha.jkt"), "wb") as f:
    f.write(entry(b"/music/Other/cover.png", 4))
PY
