#include "imaging/PngDecoder.h"

#include "imaging/FileBytes.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

#include <cstring>
#include <limits>

namespace {

// As for the other picture files: anything larger is no jacket.
constexpr size_t MaxPngFileBytes = 256u * 1024u * 1024u;
constexpr uint8_t PngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

[[noreturn]] void Fail(const std::string& Message) {
  throw EInvalidGraphic("PNG error: " + Message);
}

}  // namespace

void DecodePng(const uint8_t* Data, size_t Size, TABitmap& Bitmap, int64_t MaxPixels) {
  // Only real PNG data: the reader would otherwise sniff and decode other formats.
  if (Data == nullptr || Size < sizeof PngSignature ||
      std::memcmp(Data, PngSignature, sizeof PngSignature) != 0 ||
      Size > static_cast<size_t>(std::numeric_limits<int>::max()))
    Fail("Not a PNG file");
  QByteArray Bytes =
      QByteArray::fromRawData(reinterpret_cast<const char*>(Data), static_cast<qsizetype>(Size));
  QBuffer Buffer(&Bytes);
  Buffer.open(QIODevice::ReadOnly);
  QImageReader Reader(&Buffer, "PNG");
  const QSize Dimensions = Reader.size();
  if (!Dimensions.isValid() || Dimensions.isEmpty()) Fail("Invalid PNG header");
  if (int64_t{Dimensions.width()} * Dimensions.height() > MaxPixels)
    Fail("PNG image is too large (" + std::to_string(Dimensions.width()) + " x " +
         std::to_string(Dimensions.height()) + " pixels)");
  QImage Image;
  if (!Reader.read(&Image) || Image.isNull()) Fail(Reader.errorString().toStdString());
  TABitmap Decoded(Image);
  Bitmap = std::move(Decoded);
}

void LoadPngFromFile(const std::string& FileName, TABitmap& Bitmap) {
  const std::string Bytes = ReadFileBytes(FileName, MaxPngFileBytes);
  try {
    DecodePng(reinterpret_cast<const uint8_t*>(Bytes.data()), Bytes.size(), Bitmap);
  } catch (const EInvalidGraphic& Error) {
    throw EInvalidGraphic(std::string(Error.what()) + " (\"" + FileName + "\")");
  }
}
