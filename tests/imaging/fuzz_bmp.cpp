// Any bytes as a BMP file: either a 32-bit picture or EInvalidGraphic, never a crash.
#include "imaging/ABitmap.h"
#include "imaging/ABitmapFilters32.h"

#include <QtGlobal>

#include <cstddef>
#include <cstdint>

// The framework reports every oddity it meets on stderr; at thousands of inputs a second that
// is only noise.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TABitmap Bitmap;
  try {
    Bitmap.LoadFromMemory(Data, Size, "fuzz");
  } catch (const EInvalidGraphic&) {
    return 0;
  }
  // What the folder pane does with it next.
  TABitmap Jacket;
  Jacket.SetSize(80, 80);
  StretchNearest(80, 80, Bitmap, 0, 0, Bitmap.Width(), Bitmap.Height(), 0, 0, Jacket);
  return 0;
}
