#pragma once
// PNG decoding for the jackets other players leave beside an album ("cover.png"), in memory,
// into a 32-bit TABitmap.

#include "imaging/ABitmap.h"
#include "imaging/JpegDecoder.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Decodes the PNG file image Data[0, Size) into Bitmap, 32 bits per pixel. The picture's size is
// read from its header and checked against MaxPixels before any pixel memory is taken. On failure
// throws EInvalidGraphic with the decoder's message, and Bitmap keeps its old contents.
void DecodePng(const uint8_t* Data, size_t Size, TABitmap& Bitmap,
               int64_t MaxPixels = MaxJpegPixels);

// Reads the file and decodes it as above; the error's text names the file as well.
void LoadPngFromFile(const std::string& FileName, TABitmap& Bitmap);
