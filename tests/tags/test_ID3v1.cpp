#include "tags/ID3v1.h"

#include <gtest/gtest.h>

#include "TagFixtures.h"

using tagtest::Bytes;
using tagtest::TempDir;

namespace {

// The 128-byte tag; fields are padded with zeros (or the given filler) to their width.
Bytes Tag(std::string_view title, std::string_view comment, uint8_t separator, uint8_t track,
          uint8_t genre, std::string_view id = "TAG") {
  auto field = [](std::string_view text, size_t width) {
    return Bytes().Text(text.substr(0, width)).Zeros(width - std::min(width, text.size()));
  };
  return Bytes()
      .Text(id)
      .Append(field(title, 30))      // 3: title
      .Append(field("Artist", 30))   // 33: artist
      .Append(field("Album", 30))    // 63: album
      .Append(field("1999", 4))      // 93: year
      .Append(field(comment, 28))    // 97: comment
      .Raw({separator, track})       // 125: separator, 126: track (ID3v1.1)
      .Raw({genre});                 // 127: genre
}

class ID3v1Test : public ::testing::Test {
 protected:
  TID3v1 Read(const Bytes& file) {
    TID3v1 tag;
    EXPECT_TRUE(tag.ReadFromFile(tagtest::WriteFile(dir.Path("t.mp3"), file)));
    return tag;
  }
  TempDir dir;
};

}  // namespace

TEST_F(ID3v1Test, ExactTagFileIsReadAndShorterFilesFail) {
  TID3v1 tag = Read(Tag("Title", "Comment", 0, 5, 17));
  EXPECT_TRUE(tag.Exists());
  EXPECT_EQ(tag.Title(), "Title");
  EXPECT_EQ(tag.Artist(), "Artist");
  EXPECT_EQ(tag.Album(), "Album");
  EXPECT_EQ(tag.Year(), "1999");
  EXPECT_EQ(tag.Genre(), "Rock");

  Bytes shorter = Bytes().Append(Tag("T", "", 0, 0, 0));
  std::vector<uint8_t> cut(shorter.Data().begin() + 1, shorter.Data().end());
  TID3v1 failed;
  EXPECT_FALSE(failed.ReadFromFile(tagtest::WriteFile(dir.Path("127"), cut)));
  EXPECT_FALSE(failed.Exists());
  EXPECT_FALSE(failed.ReadFromFile(dir.Path("missing")));
}

TEST_F(ID3v1Test, VersionFromSeparatorAndTrackBytes) {
  TID3v1 v11 = Read(Bytes().Fill(500, 0x55).Append(Tag("T", std::string(28, 'c'), 0x00, 0x05, 0)));
  EXPECT_EQ(v11.VersionID(), 2);
  EXPECT_EQ(v11.Track(), 5);
  EXPECT_EQ(v11.Comment(), std::string(28, 'c'));

  TID3v1 v10 = Read(Tag("T", "comment", 0x00, 0x00, 0));
  EXPECT_EQ(v10.VersionID(), 1);
  EXPECT_EQ(v10.Track(), 0);
  EXPECT_EQ(v10.Comment(), "comment");  // 30 bytes, trailing zeros trimmed

  TID3v1 spaceSep = Read(Tag("T", "", 0x20, 0x31, 0));
  EXPECT_EQ(spaceSep.VersionID(), 2);
  EXPECT_EQ(spaceSep.Track(), 49);
  TID3v1 spaces = Read(Tag("T", std::string("c\0d", 3), 0x20, 0x20, 0));
  EXPECT_EQ(spaces.VersionID(), 1);
  EXPECT_EQ(spaces.Comment(), std::string("c\0d", 3));  // an inner zero is no terminator
}

TEST_F(ID3v1Test, LowerCaseIdentifierIsNoTag) {
  TID3v1 tag = Read(Tag("Title", "", 0, 0, 0, "tag"));
  EXPECT_FALSE(tag.Exists());
  EXPECT_EQ(tag.Title(), "");
  EXPECT_EQ(tag.GenreID(), 255);
  EXPECT_EQ(tag.VersionID(), 1);
}

TEST_F(ID3v1Test, GenreNamesAndTrimming) {
  EXPECT_EQ(Read(Tag("T", "", 0, 0, 147)).Genre(), "Synthpop");
  EXPECT_EQ(Read(Tag("T", "", 0, 0, 148)).Genre(), "");
  EXPECT_EQ(Read(Tag("T", "", 0, 0, 255)).Genre(), "");
  EXPECT_EQ(TID3v1::GenreName(67), "Psychadelic");
  EXPECT_EQ(TID3v1::GenreName(92), "Progessive Rock");
  // Thirty spaces are an empty title; leading spaces and 8-bit bytes are kept as stored.
  EXPECT_EQ(Read(Tag(std::string(30, ' '), "", 0, 0, 0)).Title(), "");
  EXPECT_EQ(Read(Tag("  \x89\xCC", "", 0, 0, 0)).Title(), "  \x89\xCC");
}

TEST_F(ID3v1Test, SettersTrimAndCut) {
  TID3v1 tag;
  tag.SetTitle(std::string(40, 'x'));
  EXPECT_EQ(tag.Title(), std::string(30, 'x'));
  tag.SetYear("2001 extra");
  EXPECT_EQ(tag.Year(), "2001");
  tag.SetArtist("name \t");
  EXPECT_EQ(tag.Artist(), "name");
}

TEST_F(ID3v1Test, TagWrittenByLame) {
  const std::string wav = tagtest::MakeToneWav(dir);
  const std::string mp3 = dir.Path("v1.mp3");
  ASSERT_TRUE(tagtest::Run("lame --quiet --id3v1-only --tt 'Old Song' --ta 'Old Artist' "
                           "--ty 1987 --tn 4 --tg Jazz '" + wav + "' '" + mp3 + "'"));
  TID3v1 tag;
  ASSERT_TRUE(tag.ReadFromFile(mp3));
  EXPECT_TRUE(tag.Exists());
  EXPECT_EQ(tag.Title(), "Old Song");
  EXPECT_EQ(tag.Artist(), "Old Artist");
  EXPECT_EQ(tag.Year(), "1987");
  EXPECT_EQ(tag.Track(), 4);
  EXPECT_EQ(tag.VersionID(), 2);
  EXPECT_EQ(tag.Genre(), "Jazz");
}
