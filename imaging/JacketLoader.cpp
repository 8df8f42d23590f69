#include "imaging/JacketLoader.h"

#include "imaging/ABitmapFilters32.h"
#include "imaging/JpegDecoder.h"
#include "platform/FileSearch.h"

std::unique_ptr<TABitmap> LoadJacket(const std::string& basePath) {
  const std::string BmpName = basePath + ".bmp";
  const std::string JpgName = basePath + ".jpg";
  TABitmap Picture;
  if (platform::FileExists(BmpName)) {
    Picture.LoadFromFile(BmpName);
  } else if (platform::FileExists(JpgName)) {
    // Decoded in memory: no scratch file beside the program, nothing left behind.
    LoadJpegFromFile(JpgName, Picture);
  } else {
    return nullptr;
  }
  Picture.Ensure32Bit();
  auto Jacket = std::make_unique<TABitmap>();
  Jacket->SetSize(JacketSize, JacketSize);
  // The whole picture onto the whole square: the aspect ratio is not kept.
  StretchNearest(JacketSize, JacketSize, Picture, 0, 0, Picture.Width(), Picture.Height(), 0, 0,
                 *Jacket);
  return Jacket;
}

void DrawJacket(TABitmap& Tile, const TABitmap& Jacket) {
  Tile.CopyFrom(Jacket, TJacketRect::Left, TJacketRect::Top);
}
