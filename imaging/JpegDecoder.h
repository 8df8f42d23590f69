#pragma once
// Full-size JPEG decoding with libjpeg, in memory, straight into a 32-bit TABitmap.

#include "imaging/ABitmap.h"

#include <cstddef>
#include <cstdint>
#include <string>

// A JPEG that libjpeg cannot decode. what() is the text shown to the user; DecoderMessage() is
// libjpeg's own message alone.
class EJPEG : public EInvalidGraphic {
 public:
  EJPEG(const std::string& Text, std::string DecoderMessage)
      : EInvalidGraphic(Text), FDecoderMessage(std::move(DecoderMessage)) {}
  const std::string& DecoderMessage() const { return FDecoderMessage; }

 private:
  std::string FDecoderMessage;
};

// A picture of more pixels than this is refused before any pixel memory is taken (8192 x 8192).
constexpr int64_t MaxJpegPixels = int64_t{8192} * 8192;

// Decodes the JPEG file image Data[0, Size) into Bitmap: 0xFFRRGGBB pixels, the colours libjpeg's
// default decompression gives (islow DCT, fancy upsampling), as a 24-bit BMP of it would hold.
// Grayscale, YCbCr, RGB, CMYK and YCCK pictures decode (CMYK in Adobe's inverted convention).
// A truncated picture is an error, not a half-grey picture. On failure throws EJPEG whose text
// is libjpeg's message, and Bitmap keeps its old contents.
void DecodeJpeg(const uint8_t* Data, size_t Size, TABitmap& Bitmap,
                int64_t MaxPixels = MaxJpegPixels);

// Reads the file and decodes it as above; the error's text names the file as well.
void LoadJpegFromFile(const std::string& FileName, TABitmap& Bitmap);
