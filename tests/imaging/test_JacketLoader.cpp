#include "imaging/JacketLoader.h"

#include "imaging/ImagingFixtures.h"
#include "imaging/JpegDecoder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;

// A two-colour BMP: left half red, right half blue, with a green bottom-right corner pixel.
std::string SplitBmp(int W, int H) {
  fixtures::TBmpSpec Spec{W, H, 24, false, false, {}, {}};
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x)
      Spec.Pixels.push_back(x == W - 1 && y == H - 1 ? 0x00FF00u
                            : x < W / 2              ? 0xFF0000u
                                                     : 0x0000FFu);
  return fixtures::MakeBmp(Spec);
}

void MakeJpegJacket(const fixtures::TTempDir& Dir, const std::string& Name, int W, int H) {
  fixtures::WritePatternPpm(Dir.File("pattern.ppm"), W, H);
  ASSERT_TRUE(fixtures::Convert("'" + Dir.File("pattern.ppm") + "' -quality 90 '" +
                                Dir.File(Name) + "'"));
}

TEST(LoadJacket, NoJacketFileGivesNone) {
  fixtures::TTempDir Dir;
  EXPECT_EQ(LoadJacket(Dir.File("a")), nullptr);
  fs::create_directory(Dir.Path() / "a.bmp");  // a folder of that name is no jacket
  EXPECT_EQ(LoadJacket(Dir.File("a")), nullptr);
}

TEST(LoadJacket, BmpIsSqueezedToTheWholeSquare) {
  fixtures::TTempDir Dir;
  fixtures::WriteFile(Dir.File("a.bmp"), SplitBmp(300, 200));
  const auto Jacket = LoadJacket(Dir.File("a"));
  ASSERT_NE(Jacket, nullptr);
  ASSERT_EQ(Jacket->Width(), JacketSize);
  ASSERT_EQ(Jacket->Height(), JacketSize);
  // Not letter-boxed: the top row and the bottom row are picture, left red and right blue.
  for (int y : {0, 79}) {
    EXPECT_EQ(Jacket->ScanLine(y)[0] & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(Jacket->ScanLine(y)[39] & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(Jacket->ScanLine(y)[41] & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(Jacket->ScanLine(y)[79] & 0xFFFFFF, 0x0000FFu);
  }
  // The stretch never reaches the last source column and row: the green corner stays out.
  EXPECT_NE(Jacket->ScanLine(79)[79] & 0xFFFFFF, 0x00FF00u);
}

TEST(LoadJacket, BmpWinsOverJpg) {
  fixtures::TTempDir Dir;
  MakeJpegJacket(Dir, "a.jpg", 100, 100);
  fixtures::WriteFile(Dir.File("a.bmp"), SplitBmp(80, 80));
  const auto Jacket = LoadJacket(Dir.File("a"));
  ASSERT_NE(Jacket, nullptr);
  EXPECT_EQ(Jacket->ScanLine(10)[10] & 0xFFFFFF, 0xFF0000u);
}

TEST(LoadJacket, JpgIsDecodedInMemoryAndStretched) {
  fixtures::TTempDir Dir;
  MakeJpegJacket(Dir, "a.jpg", 160, 160);
  const fs::path OldCurrent = fs::current_path();
  fs::create_directory(Dir.Path() / "cwd");
  fs::current_path(Dir.Path() / "cwd");
  const auto Jacket = LoadJacket(Dir.File("a"));
  const bool LeftScratchFile = !fs::is_empty(Dir.Path() / "cwd");
  fs::current_path(OldCurrent);
  ASSERT_NE(Jacket, nullptr);
  EXPECT_FALSE(LeftScratchFile) << "the current folder must stay untouched";

  // The same as decoding the picture and stretching it by hand: column 1 is source column 1,
  // row 1 source row 1, the last pixel source (157, 157).
  TABitmap Full;
  LoadJpegFromFile(Dir.File("a.jpg"), Full);
  EXPECT_EQ(Jacket->ScanLine(0)[0], Full.ScanLine(0)[0]);
  EXPECT_EQ(Jacket->ScanLine(1)[1], Full.ScanLine(1)[1]);
  EXPECT_EQ(Jacket->ScanLine(79)[79], Full.ScanLine(157)[157]);
}

TEST(LoadJacket, UnreadableJacketFailsWithTheFileInTheMessage) {
  fixtures::TTempDir Dir;
  fixtures::WriteFile(Dir.File("a.jpg"), "\xFF\xD8\xFF\xDB garbage");
  try {
    (void)LoadJacket(Dir.File("a"));
    ADD_FAILURE() << "loaded";
  } catch (const EJPEG& Error) {
    EXPECT_NE(std::string(Error.what()).find(Dir.File("a.jpg")), std::string::npos) << Error.what();
  }
  fixtures::WriteFile(Dir.File("a.bmp"), "BM truncated");
  try {
    (void)LoadJacket(Dir.File("a"));
    ADD_FAILURE() << "loaded";
  } catch (const EInvalidGraphic& Error) {
    EXPECT_NE(std::string(Error.what()).find(Dir.File("a.bmp")), std::string::npos) << Error.what();
  }
}

TEST(DrawJacket, FillsExactlyTheJacketRectOfATile) {
  TABitmap Tile;
  Tile.SetSize(96, 96);
  TABitmap Jacket;
  Jacket.SetSize(JacketSize, JacketSize);
  for (int y = 0; y < JacketSize; ++y)
    for (int x = 0; x < JacketSize; ++x) Jacket.ScanLine(y)[x] = 0xFF000000u | (y << 8) | x;
  DrawJacket(Tile, Jacket);
  for (int y = 0; y < 96; ++y)
    for (int x = 0; x < 96; ++x) {
      const bool Inside = x >= TJacketRect::Left && x < TJacketRect::Right &&
                          y >= TJacketRect::Top && y < TJacketRect::Bottom;
      const uint32_t Want = Inside ? Jacket.ScanLine(y - 6)[x - 6] : 0u;
      ASSERT_EQ(Tile.ScanLine(y)[x], Want) << x << "," << y;
    }
}

}  // namespace
