#pragma once
// TABitmap: a picture that is always 32 bits per pixel, rows reached top-down through ScanLine.
// A pixel is one uint32_t 0xAARRGGBB (blue, green, red, fourth byte in memory order); pictures
// without alpha carry 0xFF in the fourth byte once loaded, SetSize leaves it zero.
// Built on QImage (Format_RGB32, or Format_ARGB32 for a picture with alpha), which reads BMP of
// every depth, RLE4/RLE8, bottom-up and top-down.

#include <QImage>

#include <cstdint>
#include <istream>
#include <stdexcept>
#include <string>

// A picture that exists but cannot be read. what() is the text shown to the user.
class EInvalidGraphic : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TABitmap {
 public:
  TABitmap();  // empty (0 x 0), already 32 bits per pixel
  explicit TABitmap(const QImage& Image);

  int Width() const;
  int Height() const;
  bool Empty() const;
  // w x h pixels, every byte zero. Sizes below 0 count as 0; throws std::bad_alloc when the
  // pixels cannot be allocated.
  void SetSize(int w, int h);

  // Row y, 0 being the top; Width() pixels. y must lie in [0, Height()).
  uint32_t* ScanLine(int y);
  const uint32_t* ScanLine(int y) const;

  // Converts the pixels of any other depth to 32 bits per pixel (no-op when already there).
  void Ensure32Bit();

  // BMP data only. On failure throws EInvalidGraphic naming the file, and keeps the old picture.
  void LoadFromFile(const std::string& FileName);
  // Reads the stream to its end; same failure rule (the text says "stream" instead of a name).
  void LoadFromStream(std::istream& Stream);
  // Replaces the pixels from an in-memory BMP file image; Source names the data in errors.
  void LoadFromMemory(const uint8_t* Data, size_t Size, const std::string& Source);

  void Assign(const TABitmap& Source);
  void Assign(const QImage& Source);  // any QImage format, converted to 32 bits

  // A copy as Format_RGB32 (fourth byte forced to 0xFF) for image lists and painting.
  QImage ToQImage() const;

  // Copies Src's whole area with its top-left at (X, Y), pixel for pixel, clipped to this
  // bitmap. The folder pane uses it to lay an 80 x 80 jacket into a 96 x 96 tile.
  void CopyFrom(const TABitmap& Src, int X, int Y);

 private:
  QImage FImage;
};
