#include "imaging/JacketLoader.h"

#include "imaging/ImagingFixtures.h"
#include "imaging/JacketTiles.h"
#include "imaging/JpegDecoder.h"
#include "imaging/PngDecoder.h"

#include <QImage>

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

// Which file is the jacket, for the files a folder holds ("/" ends a folder's name).
TEST(FindJacketFile, OwnNameFirstThenOtherPlayersNamesIgnoringCase) {
  struct TCase {
    std::vector<std::string> Files;
    std::string Jacket;
  };
  const TCase Cases[] = {
      {{"A.JPG"}, "A.JPG"},
      {{"a.Bmp", "a.jpg"}, "a.Bmp"},
      {{"a.jpg", "folder.jpg", "cover.jpg"}, "a.jpg"},
      {{"cover.png"}, "cover.png"},
      {{"Front.BMP", "cover.JPEG"}, "cover.JPEG"},
      {{"cover.bmp", "cover.png", "COVER.jpeg"}, "COVER.jpeg"},
      {{"folder.bmp", "cover.jpg"}, "folder.bmp"},
      {{"a.jpg/", "cover.jpg"}, "cover.jpg"},  // a folder of that name is no jacket
      {{"a.jpeg", "a.png", "b.jpg", "folder.gif", "xcover.jpg"}, ""},
      {{"a.jpg", "A.jpg"}, "A.jpg"},  // names that only a case-sensitive disk can hold apart
  };
  for (const TCase& Case : Cases) {
    fixtures::TTempDir Dir;
    for (const std::string& Name : Case.Files) {
      if (Name.back() == '/') fs::create_directory(Dir.Path() / Name.substr(0, Name.size() - 1));
      else fixtures::WriteFile(Dir.File(Name), "x");
    }
    SCOPED_TRACE(Case.Files.front());
    EXPECT_EQ(FindJacketFile(Dir.File("a")), Case.Jacket.empty() ? "" : Dir.File(Case.Jacket));
  }
}

TEST(LoadJacket, PngIsDecodedAndStretched) {
  fixtures::TTempDir Dir;
  QImage Picture(100, 50, QImage::Format_RGB32);
  Picture.fill(QColor(0x12, 0x34, 0x56));
  ASSERT_TRUE(Picture.save(QString::fromStdString(Dir.File("Cover.PNG")), "PNG"));
  const auto Jacket = LoadJacket(Dir.File("a"));
  ASSERT_NE(Jacket, nullptr);
  EXPECT_EQ(Jacket->ScanLine(0)[0], 0xFF123456u);
  EXPECT_EQ(Jacket->ScanLine(79)[79], 0xFF123456u);
  fixtures::WriteFile(Dir.File("Cover.PNG"), "\x89PNG\r\n\x1A\n but no header");
  EXPECT_THROW((void)LoadJacket(Dir.File("a")), EInvalidGraphic);
}

// Folders with every kind of jacket and two broken ones: whatever the number of workers, the
// tiles come in order, equal to the ones made one by one, the broken ones empty, and the first
// failure is the one kept.
TEST(JacketTileMaker, WorkersGiveTheSequentialTilesInOrderAndPlainTilesForBrokenJackets) {
  fixtures::TTempDir Dir;
  std::vector<std::string> BasePaths;
  for (int i = 0; i < 40; ++i) {
    const fs::path Folder = Dir.Path() / ("f" + std::to_string(i));
    fs::create_directory(Folder);
    BasePaths.push_back((Folder / "a").string());
    if (i % 3 == 0) fixtures::WriteFile((Folder / "a.bmp").string(), SplitBmp(30 + i, 20 + i));
    if (i % 3 == 1) MakeJpegJacket(Dir, "f" + std::to_string(i) + "/a.jpg", 90 + i, 60);
  }
  fixtures::WriteFile(BasePaths[31] + ".jpg", "\xFF\xD8\xFF\xDB broken");
  fixtures::WriteFile(BasePaths[35] + ".jpg", "\xFF\xD8\xFF\xDB broken too");
  TABitmap Background;
  Background.SetSize(96, 96);
  for (int y = 0; y < 96; ++y) std::fill_n(Background.ScanLine(y), 96, 0xFF808080u);

  std::vector<QImage> Reference;
  for (int Threads : {0, 1, 2, 7}) {
    SCOPED_TRACE(Threads);
    TJacketTileMaker Maker(Background, 6, 6);
    Maker.SetThreads(Threads);
    std::vector<QImage> Tiles;
    Maker.Make(BasePaths, [&](size_t Index, TABitmap& Tile) {
      EXPECT_EQ(Index, Tiles.size());
      Tiles.push_back(Tile.ToQImage());
    });
    EXPECT_EQ(Maker.FailedCount(), 2u);
    EXPECT_EQ(Maker.FailedIndex(), 31u);
    EXPECT_NE(Maker.FirstFailure().find(BasePaths[31] + ".jpg"), std::string::npos);
    ASSERT_EQ(Tiles.size(), 40u);
    if (Reference.empty()) Reference = Tiles;
    for (size_t i = 0; i < Tiles.size(); ++i) ASSERT_EQ(Tiles[i], Reference[i]) << i;
  }
  // No jacket, or a broken one: an empty tile, which the caller shows as the one plain tile.
  EXPECT_TRUE(Reference[2].isNull());
  EXPECT_TRUE(Reference[31].isNull());
  EXPECT_TRUE(Reference[35].isNull());
  EXPECT_NE(Reference[0], Background.ToQImage());
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
      // The tile's 80 x 80 jacket square starts 6 pixels in from the top left.
      const bool Inside = x >= 6 && x < 86 && y >= 6 && y < 86;
      const uint32_t Want = Inside ? Jacket.ScanLine(y - 6)[x - 6] : 0u;
      ASSERT_EQ(Tile.ScanLine(y)[x], Want) << x << "," << y;
    }
}

}  // namespace
