// Any bytes as a JPEG file: either a 32-bit picture or EJPEG, never a crash, a hang or exit().
#include "imaging/ABitmapFilters32.h"
#include "imaging/JpegDecoder.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TABitmap Bitmap;
  try {
    // A smaller pixel cap than the program's keeps each run within the fuzzer's time limit;
    // the code paths are the same.
    DecodeJpeg(Data, Size, Bitmap, int64_t{2048} * 2048);
  } catch (const EJPEG&) {
    return 0;
  }
  TABitmap Jacket;
  Jacket.SetSize(80, 80);
  StretchNearest(80, 80, Bitmap, 0, 0, Bitmap.Width(), Bitmap.Height(), 0, 0, Jacket);
  return 0;
}
