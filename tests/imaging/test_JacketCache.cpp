#include "imaging/JacketCache.h"

#include "imaging/ImagingFixtures.h"
#include "imaging/JacketTiles.h"

#include <QImage>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;

// A BMP of W x H in one colour (0xRRGGBB) with a different top-left pixel, so that the
// stretch's choice of source pixels shows.
std::string PlainBmp(int W, int H, uint32_t Colour) {
  fixtures::TBmpSpec Spec{W, H, 24, false, false, {}, {}};
  Spec.Pixels.assign(size_t(W) * H, Colour);
  Spec.Pixels[0] = 0x123456;
  return fixtures::MakeBmp(Spec);
}

std::vector<uint32_t> Pixels(const TABitmap& Bitmap) {
  std::vector<uint32_t> All;
  for (int y = 0; y < Bitmap.Height(); ++y)
    All.insert(All.end(), Bitmap.ScanLine(y), Bitmap.ScanLine(y) + Bitmap.Width());
  return All;
}

std::vector<fs::path> FilesIn(const fs::path& Folder) {
  std::vector<fs::path> Files;
  if (fs::exists(Folder))
    for (const auto& Entry : fs::directory_iterator(Folder)) Files.push_back(Entry.path());
  return Files;
}

void SetModified(const std::string& Path, time_t Seconds) {
  const struct timespec Times[2] = {{Seconds, 0}, {Seconds, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, Path.c_str(), Times, 0), 0);
}

struct TCacheFixture {
  fixtures::TTempDir Dir;
  std::string Folder = Dir.File("cache");
  TJacketCache Cache{Folder};
};

// A second start reads the jackets back, and the tiles are those of decoding, bit for bit: an
// opaque JPEG and a PNG whose pixels carry alpha (kept in four bytes, not three).
TEST(JacketCache, HitGivesTheDecodedTilesPixelForPixel) {
  TCacheFixture F;
  std::vector<std::string> BasePaths;
  for (const std::string& Name : {"jpeg", "png"}) {
    fs::create_directory(F.Dir.Path() / Name);
    BasePaths.push_back(F.Dir.File(Name + "/a"));
  }
  fixtures::WritePatternPpm(F.Dir.File("p.ppm"), 500, 500);
  ASSERT_TRUE(fixtures::Convert("'" + F.Dir.File("p.ppm") + "' '" + BasePaths[0] + ".jpg'"));
  QImage Translucent(60, 90, QImage::Format_ARGB32);
  for (int y = 0; y < 90; ++y)
    for (int x = 0; x < 60; ++x) Translucent.setPixel(x, y, qRgba(x * 4, y * 2, 200, x + y));
  ASSERT_TRUE(Translucent.save(QString::fromStdString(F.Dir.File("png/cover.png")), "PNG"));
  TABitmap Background;
  Background.SetSize(96, 96);
  for (int y = 0; y < 96; ++y) std::fill_n(Background.ScanLine(y), 96, 0xFF808080u);

  const auto Make = [&](TJacketCache* Cache) {
    TJacketTileMaker Maker(Background, 6, 6);
    Maker.SetCache(Cache);
    std::vector<std::vector<uint32_t>> Tiles;
    Maker.Make(BasePaths, [&](size_t, TABitmap& Tile) { Tiles.push_back(Pixels(Tile)); });
    return Tiles;
  };
  const auto Decoded = Make(nullptr);
  EXPECT_EQ(Make(&F.Cache), Decoded);  // the first run writes the entries
  ASSERT_EQ(FilesIn(F.Folder).size(), 2u);  // and leaves nothing else behind
  // Entries written long ago: a hit renews their time, which shows they were read.
  for (const fs::path& Entry : FilesIn(F.Folder)) SetModified(Entry, 1000);
  EXPECT_EQ(Make(&F.Cache), Decoded);
  for (const fs::path& Entry : FilesIn(F.Folder)) {
    struct stat Info {};
    ASSERT_EQ(::stat(Entry.c_str(), &Info), 0);
    EXPECT_GT(Info.st_mtim.tv_sec, 1000);
  }
}

// Whatever changes about the picture file, the old jacket is not served: new content of the same
// size, a new size, and a copy renamed over it with the old time and size (a new inode).
TEST(JacketCache, ChangedJacketIsNotServed) {
  const struct {
    const char* Change;
    std::function<void(const std::string&)> Apply;
  } Cases[] = {
      {"same size, new time",
       [](const std::string& P) {
         fixtures::WriteFile(P, PlainBmp(40, 40, 0x00FF00));
         SetModified(P, 2000);
       }},
      {"new size, same time",
       [](const std::string& P) {
         fixtures::WriteFile(P, PlainBmp(41, 40, 0x00FF00));
         SetModified(P, 1000);
       }},
      {"renamed over, same size and time",
       [](const std::string& P) {
         fixtures::WriteFile(P + ".new", PlainBmp(40, 40, 0x00FF00));
         SetModified(P + ".new", 1000);
         fs::rename(P + ".new", P);
       }},
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.Change);
    TCacheFixture F;
    const TJacketFile File{F.Dir.File("a.bmp"), TPictureKind::Bmp};
    fixtures::WriteFile(File.Path, PlainBmp(40, 40, 0xFF0000));
    SetModified(File.Path, 1000);
    EXPECT_EQ(Pixels(*F.Cache.Load(File))[100], 0xFFFF0000u);
    Case.Apply(File.Path);
    EXPECT_EQ(Pixels(*F.Cache.Load(File)), Pixels(*LoadJacket(File)));
    EXPECT_EQ(Pixels(*F.Cache.Load(File))[100], 0xFF00FF00u);
  }
}

// An entry cut short, altered, emptied, of another version or replaced by a folder gives the
// decoded jacket, and (where a file can go there) is written anew.
TEST(JacketCache, DamagedEntryIsIgnoredAndReplaced) {
  const struct {
    const char* Damage;
    std::function<void(const std::string&)> Apply;
    bool Replaced;
  } Cases[] = {
      {"truncated", [](const std::string& P) { fs::resize_file(P, fs::file_size(P) / 2); }, true},
      {"one pixel altered",
       [](const std::string& P) {
         std::string Bytes = fixtures::ReadFile(P);
         Bytes[Bytes.size() - 7] ^= 0x40;
         fixtures::WriteFile(P, Bytes);
       },
       true},
      {"empty", [](const std::string& P) { fixtures::WriteFile(P, ""); }, true},
      {"another version",
       [](const std::string& P) {
         std::string Bytes = fixtures::ReadFile(P);
         Bytes[8] = 99;
         fixtures::WriteFile(P, Bytes);
       },
       true},
      {"a folder",
       [](const std::string& P) {
         fs::remove(P);
         fs::create_directories(P + "/x");
       },
       false},
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.Damage);
    TCacheFixture F;
    const TJacketFile File{F.Dir.File("a.bmp"), TPictureKind::Bmp};
    fixtures::WriteFile(File.Path, PlainBmp(40, 40, 0xFF0000));
    const auto Decoded = Pixels(*LoadJacket(File));
    EXPECT_EQ(Pixels(*F.Cache.Load(File)), Decoded);
    ASSERT_EQ(FilesIn(F.Folder).size(), 1u);
    const std::string Entry = FilesIn(F.Folder)[0].string();
    const std::string Intact = fixtures::ReadFile(Entry);
    Case.Apply(Entry);
    EXPECT_EQ(Pixels(*F.Cache.Load(File)), Decoded);
    if (Case.Replaced) EXPECT_EQ(fixtures::ReadFile(Entry), Intact);
    EXPECT_EQ(FilesIn(F.Folder).size(), 1u);
  }
}

// Past the cap the entries used longest ago go first; a writer's leftover goes once it is old.
TEST(JacketCache, TrimKeepsTheFolderUnderItsCap) {
  fixtures::TTempDir Dir;
  const std::string Folder = Dir.File("cache");
  std::vector<TJacketFile> Files;
  for (int i = 0; i < 6; ++i) {
    Files.push_back({Dir.File("a" + std::to_string(i) + ".bmp"), TPictureKind::Bmp});
    fixtures::WriteFile(Files.back().Path, PlainBmp(40, 40, 0x010101u * i));
  }
  TJacketCache Probe(Dir.File("probe"));
  (void)Probe.Load(Files[0]);
  const uint64_t EntryBytes = fs::file_size(FilesIn(Dir.File("probe"))[0]);
  TJacketCache Cache(Folder, EntryBytes * 3);
  for (int i = 0; i < 3; ++i) (void)Cache.Load(Files[i]);
  Cache.Trim();
  ASSERT_EQ(FilesIn(Folder).size(), 3u);
  for (const fs::path& Entry : FilesIn(Folder)) SetModified(Entry, 1000);
  fixtures::WriteFile(Folder + "/.old.jkt.1.1.tmp", "left by a killed writer");
  SetModified(Folder + "/.old.jkt.1.1.tmp", 1000);
  fixtures::WriteFile(Folder + "/.new.jkt.1.2.tmp", "being written");
  for (int i = 3; i < 6; ++i) (void)Cache.Load(Files[i]);
  Cache.Trim();

  std::vector<std::string> Left;
  for (const fs::path& Entry : FilesIn(Folder)) Left.push_back(Entry.filename().string());
  std::sort(Left.begin(), Left.end());
  std::vector<std::string> Expected{".new.jkt.1.2.tmp"};
  for (int i = 3; i < 6; ++i) {
    struct stat Info {};
    ASSERT_EQ(::stat(Files[i].Path.c_str(), &Info), 0);
    Expected.push_back(JacketEntryName({Files[i].Path, uint64_t(Info.st_size),
                                        Info.st_mtim.tv_sec * 1000000000ll + Info.st_mtim.tv_nsec,
                                        Info.st_ino}));
  }
  std::sort(Expected.begin(), Expected.end());
  EXPECT_EQ(Left, Expected);
}

}  // namespace
