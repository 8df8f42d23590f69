// Any bytes as a PNG jacket: either a 32-bit picture or EInvalidGraphic, never a crash.
#include "imaging/ABitmapFilters32.h"
#include "imaging/PngDecoder.h"

#include <QtGlobal>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TABitmap Bitmap;
  try {
    // A smaller cap than the program's keeps each run fast; the check itself is the same.
    DecodePng(Data, Size, Bitmap, int64_t{2048} * 2048);
  } catch (const EInvalidGraphic&) {
    return 0;
  }
  TABitmap Jacket;
  Jacket.SetSize(80, 80);
  StretchNearest(80, 80, Bitmap, 0, 0, Bitmap.Width(), Bitmap.Height(), 0, 0, Jacket);
  return 0;
}
