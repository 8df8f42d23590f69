#include "imaging/ABitmap.h"

#include "imaging/FileBytes.h"

#include <QByteArray>

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace {

// A BMP larger than this is no jacket: refusing it early keeps a hostile size field from making
// us read gigabytes. QImageReader's own allocation limit guards the decoded pixels.
constexpr size_t MaxBitmapFileBytes = 256u * 1024u * 1024u;

QImage::Format Format32For(const QImage& Image) {
  return Image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32;
}

std::string NotValidText(const std::string& Source) {
  return "Bitmap image is not valid: \"" + Source + "\"";
}

// Little-endian field of Size bytes at Pos, or 0 when the data ends before it.
uint32_t FieldAt(const uint8_t* Data, size_t Size, size_t Pos, size_t Bytes) {
  if (Pos > Size || Bytes > Size - Pos) return 0;
  uint32_t Value = 0;
  for (size_t i = Bytes; i-- > 0;) Value = Value << 8 | Data[Pos + i];
  return Value;
}

// The framework pads a BMP whose uncompressed pixel rows stop early with made-up pixels; such a
// file is cut short and counts as unreadable. The last row's padding may be missing (some
// writers drop it). Compressed data is checked by the decoder itself.
bool UncompressedRowsPresent(const uint8_t* Data, size_t Size) {
  constexpr uint32_t BiRgb = 0, BiBitfields = 3, CoreHeaderSize = 12;
  const uint32_t PixelOffset = FieldAt(Data, Size, 10, 4);
  const uint32_t HeaderSize = FieldAt(Data, Size, 14, 4);
  const bool Core = HeaderSize == CoreHeaderSize;
  // Info headers hold signed 32-bit sizes (a negative height is a top-down picture).
  const int64_t Width = Core ? int64_t{FieldAt(Data, Size, 18, 2)}
                             : int64_t{static_cast<int32_t>(FieldAt(Data, Size, 18, 4))};
  const int64_t Height = Core ? int64_t{FieldAt(Data, Size, 20, 2)}
                              : int64_t{static_cast<int32_t>(FieldAt(Data, Size, 22, 4))};
  const uint32_t Bits = FieldAt(Data, Size, Core ? 24 : 28, 2);
  const uint32_t Compression = Core ? BiRgb : FieldAt(Data, Size, 30, 4);
  if (Compression != BiRgb && Compression != BiBitfields) return true;
  if (Width <= 0 || Height == 0 || Bits == 0 || Bits > 32)
    return true;  // the decoder refuses these
  // Sizes up to 2^31 pixels: products are kept below 2^63 by dividing instead of multiplying.
  const uint64_t Rows = static_cast<uint64_t>(Height < 0 ? -Height : Height);
  const uint64_t Stride = static_cast<uint64_t>(Width * Bits + 31) / 32 * 4;
  const uint64_t LastRowBytes = static_cast<uint64_t>(Width * Bits + 7) / 8;
  if (PixelOffset > Size || LastRowBytes > Size - PixelOffset) return false;
  return Rows - 1 <= (Size - PixelOffset - LastRowBytes) / Stride;
}

}  // namespace

TABitmap::TABitmap() { Ensure32Bit(); }

TABitmap::TABitmap(const QImage& Image) { Assign(Image); }

int TABitmap::Width() const { return FImage.width(); }

int TABitmap::Height() const { return FImage.height(); }

bool TABitmap::Empty() const { return FImage.isNull() || Width() == 0 || Height() == 0; }

void TABitmap::SetSize(int w, int h) {
  w = std::max(w, 0);
  h = std::max(h, 0);
  if (w == 0 || h == 0) {
    FImage = QImage();
    return;
  }
  QImage Image(w, h, QImage::Format_RGB32);
  if (Image.isNull()) throw std::bad_alloc();
  // Zero bytes, the fourth one included: QImage::fill would set it to 0xFF for Format_RGB32.
  std::memset(Image.bits(), 0, static_cast<size_t>(Image.sizeInBytes()));
  FImage = std::move(Image);
}

uint32_t* TABitmap::ScanLine(int y) { return reinterpret_cast<uint32_t*>(FImage.scanLine(y)); }

const uint32_t* TABitmap::ScanLine(int y) const {
  return reinterpret_cast<const uint32_t*>(FImage.constScanLine(y));
}

void TABitmap::Ensure32Bit() {
  if (FImage.isNull()) return;
  const QImage::Format Wanted = Format32For(FImage);
  if (FImage.format() == Wanted) return;
  QImage Converted = FImage.convertToFormat(Wanted);
  if (Converted.isNull()) throw std::bad_alloc();
  FImage = std::move(Converted);
}

void TABitmap::LoadFromFile(const std::string& FileName) {
  const std::string Bytes = ReadFileBytes(FileName, MaxBitmapFileBytes);
  LoadFromMemory(reinterpret_cast<const uint8_t*>(Bytes.data()), Bytes.size(), FileName);
}

void TABitmap::LoadFromStream(std::istream& Stream) {
  const std::string Bytes = ReadStreamBytes(Stream, MaxBitmapFileBytes, "stream");
  LoadFromMemory(reinterpret_cast<const uint8_t*>(Bytes.data()), Bytes.size(), "stream");
}

void TABitmap::LoadFromMemory(const uint8_t* Data, size_t Size, const std::string& Source) {
  // Only "BM" files: QImage would otherwise sniff other formats, and TABitmap reads BMP alone.
  if (Data == nullptr || Size < 2 || Data[0] != 'B' || Data[1] != 'M' ||
      Size > static_cast<size_t>(std::numeric_limits<int>::max()))
    throw EInvalidGraphic(NotValidText(Source));
  if (!UncompressedRowsPresent(Data, Size)) throw EInvalidGraphic(NotValidText(Source));
  QImage Image;
  const auto Bytes =
      QByteArray::fromRawData(reinterpret_cast<const char*>(Data), static_cast<qsizetype>(Size));
  if (!Image.loadFromData(Bytes, "BMP") || Image.isNull())
    throw EInvalidGraphic(NotValidText(Source));
  FImage = std::move(Image);
  Ensure32Bit();
}

void TABitmap::Assign(const TABitmap& Source) {
  FImage = Source.FImage;
  Ensure32Bit();
}

void TABitmap::Assign(const QImage& Source) {
  FImage = Source;
  Ensure32Bit();
}

QImage TABitmap::ToQImage() const {
  if (FImage.isNull()) return QImage();
  QImage Copy = FImage.copy();  // a deep copy: the caller may keep it after we change
  Copy.reinterpretAsFormat(QImage::Format_RGB32);
  for (int y = 0; y < Copy.height(); ++y) {
    auto* Row = reinterpret_cast<uint32_t*>(Copy.scanLine(y));
    for (int x = 0; x < Copy.width(); ++x) Row[x] |= 0xFF000000u;
  }
  return Copy;
}

void TABitmap::CopyFrom(const TABitmap& Src, int X, int Y) {
  const int Left = std::max(X, 0);
  const int Top = std::max(Y, 0);
  // 64-bit sums: X + Src.Width() must not wrap for any X a caller passes.
  const int Right = static_cast<int>(std::min<long long>(Width(), 0LL + X + Src.Width()));
  const int Bottom = static_cast<int>(std::min<long long>(Height(), 0LL + Y + Src.Height()));
  for (int y = Top; y < Bottom; ++y) {
    const uint32_t* From = Src.ScanLine(y - Y) + (Left - X);
    std::copy(From, From + std::max(Right - Left, 0), ScanLine(y) + Left);
  }
}
