#pragma once
// Fixtures for the imaging tests: a private temporary folder, hand-written BMP files and
// JPEG files made by ImageMagick at test time.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace fixtures {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TTempDir {
 public:
  TTempDir();
  ~TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;
  const std::filesystem::path& Path() const { return FPath; }
  std::string File(const std::string& Name) const { return (FPath / Name).string(); }

 private:
  std::filesystem::path FPath;
};

void WriteFile(const std::string& FileName, const std::string& Bytes);
std::string ReadFile(const std::string& FileName);

// A BMP to write. Pixels are top-down, row-major: palette indices for 1, 4 and 8 bits,
// 0x00RRGGBB colours for 24 and 32 bits, raw 5-5-5 values for 16 bits.
struct TBmpSpec {
  int Width = 0;
  int Height = 0;
  int Bits = 24;
  bool TopDown = false;  // stored with a negative height
  bool Rle8 = false;     // 8 bits only; always bottom-up, as the format demands
  std::vector<uint32_t> Palette;
  std::vector<uint32_t> Pixels;
};
std::string MakeBmp(const TBmpSpec& Spec);

// Runs ImageMagick's convert with the arguments (already quoted where needed); true on success.
bool Convert(const std::string& Arguments);

// A 0xFFRRGGBB test pattern of W x H pixels with smooth gradients and hard edges.
uint32_t PatternPixel(int x, int y, int W, int H);
// Writes the pattern as a binary PPM, the input ImageMagick turns into JPEGs.
void WritePatternPpm(const std::string& FileName, int W, int H);

}  // namespace fixtures
