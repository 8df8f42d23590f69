#include "imaging/ABitmap.h"

#include "imaging/ImagingFixtures.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <sstream>

namespace {

using fixtures::TBmpSpec;

constexpr int W = 13;  // odd, so rows of every depth need padding
constexpr int H = 7;

const std::vector<uint32_t> Colours = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF,
                                       0x123456, 0xFEDCBA, 0x808080, 0x7F1122, 0x00FFFF,
                                       0xFF00FF, 0xFFFF00, 0x010203, 0xA0B0C0, 0x405060,
                                       0x9911EE};

// Palette index of pixel (x, y): long runs on the top rows, a busy mix below, so RLE8 uses
// both its encoded and absolute modes.
uint32_t IndexAt(int x, int y, size_t PaletteSize) {
  if (y < 2) return static_cast<uint32_t>((x / 5 + y) % PaletteSize);
  return static_cast<uint32_t>((x * 3 + y * 5) % PaletteSize);
}

TBmpSpec PaletteBmp(int Bits, bool TopDown, bool Rle8 = false) {
  const size_t Size = Bits == 1 ? 2 : Bits == 4 ? 16 : Colours.size();
  TBmpSpec Spec{W, H, Bits, TopDown, Rle8, {Colours.begin(), Colours.begin() + Size}, {}};
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) Spec.Pixels.push_back(IndexAt(x, y, Size));
  return Spec;
}

uint32_t To555(uint32_t Rgb) {
  return ((Rgb >> 19) & 0x1F) << 10 | ((Rgb >> 11) & 0x1F) << 5 | ((Rgb >> 3) & 0x1F);
}

TBmpSpec DirectBmp(int Bits, bool TopDown) {
  TBmpSpec Spec{W, H, Bits, TopDown, false, {}, {}};
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      const uint32_t Colour = Colours[IndexAt(x, y, 16)];
      Spec.Pixels.push_back(Bits == 16 ? To555(Colour) : Colour);
    }
  return Spec;
}

uint32_t ExpectedColour(const TBmpSpec& Spec, int x, int y) {
  const uint32_t Value = Spec.Pixels[static_cast<size_t>(y) * W + x];
  if (Spec.Bits <= 8) return Spec.Palette[Value];
  if (Spec.Bits == 16) return Colours[IndexAt(x, y, 16)];
  return Value;
}

void ExpectLoadsAs32Bit(const TBmpSpec& Spec) {
  SCOPED_TRACE(std::to_string(Spec.Bits) + (Spec.Rle8 ? " bits RLE8" : " bits") +
               (Spec.TopDown ? " top-down" : " bottom-up"));
  fixtures::TTempDir Dir;
  const std::string Name = Dir.File("picture.bmp");
  fixtures::WriteFile(Name, fixtures::MakeBmp(Spec));
  TABitmap Bitmap;
  ASSERT_NO_THROW(Bitmap.LoadFromFile(Name));
  // Five bits a channel: the low three bits of the 8-bit value are the framework's choice.
  const uint32_t Mask = Spec.Bits == 16 ? 0xF8F8F8 : 0xFFFFFF;
  ASSERT_EQ(Bitmap.Width(), W);
  ASSERT_EQ(Bitmap.Height(), H);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x)
      ASSERT_EQ(Bitmap.ScanLine(y)[x] & Mask, ExpectedColour(Spec, x, y) & Mask) << x << "," << y;
  EXPECT_EQ(Bitmap.ToQImage().format(), QImage::Format_RGB32);
}

TEST(TABitmap, EveryBmpDepthLoadsAs32BitWithTheSameColours) {
  for (bool TopDown : {false, true}) {
    for (int Bits : {1, 4, 8}) ExpectLoadsAs32Bit(PaletteBmp(Bits, TopDown));
    for (int Bits : {16, 24, 32}) ExpectLoadsAs32Bit(DirectBmp(Bits, TopDown));
  }
  ExpectLoadsAs32Bit(PaletteBmp(8, false, true));
}

TEST(TABitmap, ImageMagickBmpLoads) {
  fixtures::TTempDir Dir;
  fixtures::WritePatternPpm(Dir.File("p.ppm"), 31, 17);
  ASSERT_TRUE(fixtures::Convert("'" + Dir.File("p.ppm") + "' BMP3:'" + Dir.File("p.bmp") + "'"));
  TABitmap Bitmap;
  Bitmap.LoadFromFile(Dir.File("p.bmp"));
  ASSERT_EQ(Bitmap.Width(), 31);
  ASSERT_EQ(Bitmap.Height(), 17);
  for (int y = 0; y < 17; ++y)
    for (int x = 0; x < 31; ++x)
      ASSERT_EQ(Bitmap.ScanLine(y)[x], fixtures::PatternPixel(x, y, 31, 17)) << x << "," << y;
}

TEST(TABitmap, SetSizeGivesZeroedTopDownRows) {
  TABitmap Bitmap;
  EXPECT_TRUE(Bitmap.Empty());
  Bitmap.SetSize(5, 3);
  ASSERT_EQ(Bitmap.Width(), 5);
  ASSERT_EQ(Bitmap.Height(), 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(Bitmap.ScanLine(y)[x], 0u);
  Bitmap.ScanLine(0)[0] = 0x00112233;  // top-left pixel, fourth byte zero
  const QImage Image = Bitmap.ToQImage();
  EXPECT_EQ(Image.pixel(0, 0), 0xFF112233u);
  EXPECT_EQ(Bitmap.ScanLine(0)[0], 0x00112233u) << "ToQImage must not change the bitmap";
  Bitmap.SetSize(-1, 4);
  EXPECT_TRUE(Bitmap.Empty());
}

TEST(TABitmap, AssignConvertsOtherFormatsTo32Bit) {
  QImage Indexed(3, 2, QImage::Format_Indexed8);
  Indexed.setColorTable({0xFF102030u, 0xFFA0B0C0u});
  Indexed.fill(1);
  Indexed.setPixel(0, 1, 0);
  TABitmap Bitmap;
  Bitmap.Assign(Indexed);
  EXPECT_EQ(Bitmap.ScanLine(0)[0], 0xFFA0B0C0u);
  EXPECT_EQ(Bitmap.ScanLine(1)[0], 0xFF102030u);
  TABitmap Copy;
  Copy.Assign(Bitmap);
  Bitmap.ScanLine(1)[0] = 0;  // the copy does not share pixels with its source
  EXPECT_EQ(Copy.ScanLine(1)[0], 0xFF102030u);
}

TEST(TABitmap, CopyFromClipsToTheBitmap) {
  TABitmap Tile;
  Tile.SetSize(6, 6);
  TABitmap Patch;
  Patch.SetSize(4, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) Patch.ScanLine(y)[x] = 0x10u * y + x + 1;
  Tile.CopyFrom(Patch, 4, -2);  // only the patch's bottom-left 2 x 2 lands
  EXPECT_EQ(Tile.ScanLine(0)[4], 0x21u);
  EXPECT_EQ(Tile.ScanLine(1)[5], 0x32u);
  EXPECT_EQ(Tile.ScanLine(2)[4], 0u);
  EXPECT_EQ(Tile.ScanLine(0)[3], 0u);
  Tile.CopyFrom(Patch, 1 << 30, 0);  // far off: nothing, and no overflow
}

TEST(TABitmap, UnreadableDataFailsNamingTheFileAndKeepsThePicture) {
  fixtures::TTempDir Dir;
  const std::string Good = fixtures::MakeBmp(DirectBmp(24, false));
  const std::string Rle = fixtures::MakeBmp(PaletteBmp(8, false, true));
  const struct {
    const char* Name;
    std::string Bytes;
  } Cases[] = {
      {"empty.bmp", ""},
      {"garbage.bmp", std::string(300, '\x5A')},
      {"header-only.bmp", Good.substr(0, 54)},
      {"truncated.bmp", Good.substr(0, Good.size() / 2)},
      {"truncated-rle8.bmp", Rle.substr(0, Rle.size() / 2)},
      {"jpeg-inside.bmp", std::string("\xFF\xD8\xFF\xE0", 4) + std::string(100, '\0')},
      {"huge-size.bmp", [&] {
         std::string Bytes = Good;
         Bytes[18] = Bytes[19] = Bytes[20] = '\xFF';  // width 16 million pixels
         Bytes[21] = '\x00';
         return Bytes;
       }()},
  };
  TABitmap Bitmap;
  Bitmap.SetSize(2, 2);
  Bitmap.ScanLine(1)[1] = 42;
  for (const auto& Case : Cases) {
    const std::string Name = Dir.File(Case.Name);
    fixtures::WriteFile(Name, Case.Bytes);
    try {
      Bitmap.LoadFromFile(Name);
      ADD_FAILURE() << Case.Name << " loaded";
    } catch (const EInvalidGraphic& Error) {
      EXPECT_NE(std::string(Error.what()).find(Name), std::string::npos) << Error.what();
    }
    ASSERT_EQ(Bitmap.Width(), 2) << Case.Name;
    EXPECT_EQ(Bitmap.ScanLine(1)[1], 42u) << Case.Name;
  }
  EXPECT_THROW(Bitmap.LoadFromFile(Dir.File("missing.bmp")), EInvalidGraphic);
  // A FIFO is refused at once, not waited on for a writer.
  ASSERT_EQ(::mkfifo(Dir.File("fifo.bmp").c_str(), 0644), 0);
  EXPECT_THROW(Bitmap.LoadFromFile(Dir.File("fifo.bmp")), EInvalidGraphic);
  std::istringstream Garbage("BM not really");
  EXPECT_THROW(Bitmap.LoadFromStream(Garbage), EInvalidGraphic);
  std::istringstream Stream(Good);
  Bitmap.LoadFromStream(Stream);
  EXPECT_EQ(Bitmap.Width(), W);
}

}  // namespace

namespace {

// Found by fuzzing: a header whose width x height overflowed the row-size check.
TEST(TABitmap, FuzzRegressionsReadWithoutCrashing) {
  TABitmap Bitmap;
  EXPECT_THROW(Bitmap.LoadFromFile(ORVANE_SOURCE_DIR
                                   "/tests/imaging/corpus/fuzz_bmp/overflow-bmp-row-size.bmp"),
               EInvalidGraphic);
}

}  // namespace
