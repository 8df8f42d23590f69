#include "platform/FileSearch.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/CodePage.h"

namespace fs = std::filesystem;
using platform::FindFiles;
using platform::TSearchRec;

namespace {

class FileSearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/orvane-search-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir_ = std::string(tmpl) + "/";
  }
  void TearDown() override { fs::remove_all(dir_); }
  void File(const std::string& name, size_t size = 0) {
    std::ofstream(dir_ + name, std::ios::binary) << std::string(size, 'x');
  }
  void Folder(const std::string& name) { fs::create_directory(dir_ + name); }
  static std::vector<std::string> Names(const std::vector<TSearchRec>& recs) {
    std::vector<std::string> names;
    for (const auto& r : recs) names.push_back(r.Name);
    return names;
  }
  std::string dir_;
};

TEST_F(FileSearchTest, AllEntriesWithParentFirstAndHiddenOnes) {
  File("01.MP3", 5);
  File(".hidden.mp3");
  File("noext");
  Folder("Album");
  Folder(".config");
  const auto recs = FindFiles(dir_ + "*.*");
  const std::vector<std::string> expected = {".", "..", ".config", ".hidden.mp3", "01.MP3",
                                             "Album", "noext"};
  EXPECT_EQ(Names(recs), expected);
  for (const auto& r : recs) {
    SCOPED_TRACE(r.Name);
    const bool folder = r.Name == "." || r.Name == ".." || r.Name == "Album" || r.Name == ".config";
    EXPECT_EQ(r.Directory, folder);
    EXPECT_EQ(r.Hidden, r.Name == ".hidden.mp3" || r.Name == ".config");
    EXPECT_EQ(r.Size, r.Name == "01.MP3" ? 5 : 0);
  }
}

// Created in an order unlike the expected one, so readdir's order cannot pass by chance.
TEST_F(FileSearchTest, NamesComeInCaseInsensitiveOrdinalOrder) {
  const std::vector<std::string> expected = {
      "a",
      "A1",                 // upper-cased, "A" < "A1"
      "b.mp3",
      "B.mp3x",
      "Zed",
      "_under",             // "_" (0x5F) sorts after "Z", not before "a" as in lower case
      "\xC3\xA4",           // "ä" (U+00E4 upper-cased to U+00C4) after every ASCII name
      "\x82\xA0",           // Shift-JIS "あ" (U+3042), as a name copied from an old disc
      "\xE4\xBB\xBF",       // "仿" U+4EFF
      "\xF0\x9F\x98\x80",   // U+1F600: its surrogate D83D sorts before U+FF21 in UTF-16
      "\xEF\xBC\xA1",       // fullwidth "Ａ" U+FF21
      "\xEF\xBD\x81",       // fullwidth "ａ": same upper case, so the bytes decide
  };
  std::vector<std::string> created = expected;
  std::reverse(created.begin(), created.end());
  std::rotate(created.begin(), created.begin() + 4, created.end());
  for (const auto& name : created) File(name);
  std::vector<std::string> want = {".", ".."};
  want.insert(want.end(), expected.begin(), expected.end());
  EXPECT_EQ(Names(FindFiles(dir_ + "*.*")), want);
}

TEST_F(FileSearchTest, NamesEqualButForCaseAreOrderedByTheirBytes) {
  for (const char* name : {"abc", "ABC", "Abc", "aBc"}) File(name);
  const std::vector<std::string> want = {".", "..", "ABC", "Abc", "aBc", "abc"};
  EXPECT_EQ(Names(FindFiles(dir_ + "*.*")), want);
}

TEST_F(FileSearchTest, MaskIgnoresCaseAndSkipsTheDotEntries) {
  File("01.MP3");
  File("02.mp3");
  File("song.mp3.txt");
  File("cover.jpg");
  Folder("extra.mp3");
  auto names = Names(FindFiles(dir_ + "*.mp3"));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"01.MP3", "02.mp3", "extra.mp3"}));
  EXPECT_EQ(Names(FindFiles(dir_ + "0?.mP3")).size(), 2u);
  EXPECT_TRUE(FindFiles(dir_ + "*.wav").empty());
  EXPECT_EQ(Names(FindFiles(dir_ + "cover.jpg")), std::vector<std::string>{"cover.jpg"});
  EXPECT_TRUE(FindFiles(dir_ + "cover.jp").empty());
  EXPECT_TRUE(FindFiles(dir_ + "?cover.jpg").empty());
}

TEST_F(FileSearchTest, StarMatchesAcrossDotsAndEmptyRuns) {
  File("a.b.c");
  File("abc");
  File("x");
  auto names = Names(FindFiles(dir_ + "a*c"));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"a.b.c", "abc"}));
  EXPECT_EQ(Names(FindFiles(dir_ + "*.c")), std::vector<std::string>{"a.b.c"});
  // "name.*" also takes names without a dot, as "*.*" does.
  EXPECT_EQ(Names(FindFiles(dir_ + "abc.*")), std::vector<std::string>{"abc"});
  EXPECT_EQ(Names(FindFiles(dir_ + "x**")), std::vector<std::string>{"x"});
  EXPECT_EQ(FindFiles(dir_ + "*").size(), 5u);  // ".", ".." and the three files
}

TEST_F(FileSearchTest, QuestionMarkTakesOneWholeCharacter) {
  File("\xE3\x81\x82.wav");  // one three-byte character before the dot
  EXPECT_EQ(FindFiles(dir_ + "?.wav").size(), 1u);
  EXPECT_TRUE(FindFiles(dir_ + "??.wav").empty());
  platform::SetACP(platform::TCodePage::ShiftJis);
  // In 932, 0x82 0x61 is one character; its trail byte "a" is no letter to fold.
  File("\x82\x61.wav");
  EXPECT_EQ(Names(FindFiles(dir_ + "\x82\x61.WAV")), std::vector<std::string>{"\x82\x61.wav"});
  EXPECT_TRUE(FindFiles(dir_ + "\x82\x41.wav").empty());
  EXPECT_EQ(FindFiles(dir_ + "?.wav").size(), 1u);
  platform::SetACP(platform::TCodePage::Utf8);
}

TEST_F(FileSearchTest, RootHasNoParentEntry) {
  const auto recs = FindFiles("/*.*");
  ASSERT_FALSE(recs.empty());
  EXPECT_EQ(recs[0].Name, ".");
  for (const auto& r : recs) EXPECT_NE(r.Name, "..");
  // A path with ".." inside is still a folder with a parent.
  Folder("sub");
  const auto up = FindFiles(dir_ + "sub/../*.*");
  ASSERT_GE(up.size(), 3u);
  EXPECT_EQ(up[1].Name, "..");
}

TEST_F(FileSearchTest, MissingOrUnusableFolderGivesNothing) {
  File("plain");
  EXPECT_TRUE(FindFiles(dir_ + "missing/*.*").empty());
  EXPECT_TRUE(FindFiles(dir_ + "plain/*.*").empty());
  EXPECT_TRUE(FindFiles(dir_).empty());  // no mask at all
  EXPECT_TRUE(FindFiles("").empty());
}

TEST_F(FileSearchTest, LinksAreFollowed) {
  Folder("real");
  File("real/a.mp3", 3);
  ASSERT_EQ(::symlink((dir_ + "real").c_str(), (dir_ + "linked").c_str()), 0);
  ASSERT_EQ(::symlink((dir_ + "gone").c_str(), (dir_ + "dangling").c_str()), 0);
  for (const auto& r : FindFiles(dir_ + "*.*")) {
    if (r.Name == "linked") EXPECT_TRUE(r.Directory);
    if (r.Name == "dangling") EXPECT_FALSE(r.Directory);
  }
  const auto inside = FindFiles(dir_ + "linked/*.mp3");
  ASSERT_EQ(inside.size(), 1u);
  EXPECT_EQ(inside[0].Size, 3);
}

TEST_F(FileSearchTest, ExistenceTests) {
  File("f.bmp");
  Folder("d");
  EXPECT_TRUE(platform::FileExists(dir_ + "f.bmp"));
  EXPECT_FALSE(platform::FileExists(dir_ + "d"));
  EXPECT_FALSE(platform::FileExists(dir_ + "F.BMP"));  // the file system decides on case
  EXPECT_FALSE(platform::FileExists(""));
  EXPECT_TRUE(platform::DirectoryExists(dir_ + "d"));
  EXPECT_TRUE(platform::DirectoryExists(dir_ + "d/"));
  EXPECT_FALSE(platform::DirectoryExists(dir_ + "f.bmp"));
  EXPECT_FALSE(platform::DirectoryExists(dir_ + "none"));
}

}  // namespace
