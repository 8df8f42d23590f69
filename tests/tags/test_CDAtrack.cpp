// TCDAtrack: CD track files and the "cdplayer.ini" that names their discs.

#include "tags/CDAtrack.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "TagFixtures.h"
#include "platform/CodePage.h"
#include "tags/sMediaTagReader.h"

namespace {

using tagtest::Bytes;

// The 44-byte track file: RIFF header, "CDDAfmt ", format chunk with version, track number,
// volume serial number, start and length in 1/75 s, and both again as minute:second:frame.
Bytes TrackFile(uint16_t track, uint32_t serial, uint32_t start, uint32_t length) {
  Bytes b;
  b.Text("RIFF").U32LE(36).Text("CDDAfmt ").U32LE(24);
  b.Raw({1, 0, uint8_t(track), uint8_t(track >> 8)}).U32LE(serial);
  return b.U32LE(start).U32LE(length).Zeros(8);
}

class CDAtrackTest : public ::testing::Test {
 protected:
  void SetUp() override { TCDAtrack::SetCDPlayerIniFolder(dir.Path("")); }
  void TearDown() override { TCDAtrack::SetCDPlayerIniFolder(""); }
  void WriteIni(std::string_view text) {
    tagtest::WriteFile(dir.Path("cdplayer.ini"), Bytes().Text(text));
  }
  std::string Write(const Bytes& b) { return tagtest::WriteFile(dir.Path("Track03.cda"), b); }

  tagtest::TempDir dir;
  TCDAtrack cda;
};

TEST_F(CDAtrackTest, TitlesComeFromTheDiscsSection) {
  WriteIni("[0F]\r\n3=Wrong disc\r\n"
           "[1A2B3C4D]\r\nartist=The Band\r\ntitle=The Album\r\nnumtracks=9\r\n"
           "2=Second Song\r\n3=Third Song\r\n");
  const std::string path = Write(TrackFile(3, 0x1A2B3C4D, 7500, 15000));
  ASSERT_TRUE(cda.ReadFromFile(path));
  EXPECT_TRUE(cda.Valid());
  EXPECT_EQ(cda.Title(), u"Third Song");
  EXPECT_EQ(cda.Artist(), u"The Band");
  EXPECT_EQ(cda.Album(), u"The Album");
  EXPECT_EQ(cda.Track(), 3);
  EXPECT_DOUBLE_EQ(cda.Duration(), 200);
  EXPECT_DOUBLE_EQ(cda.Position(), 100);

  TsMediaTagReader reader;
  ASSERT_TRUE(reader.ReadTags(path));
  EXPECT_EQ(reader.GetTagValue("Title"), "Third Song");
  EXPECT_EQ(reader.GetTagValue("Artist"), "The Band");
}

TEST_F(CDAtrackTest, SmallSerialsHaveTwoDigitSections) {
  WriteIni("[F]\n1=One digit\n[0F]\n1=Two digits\n[0000000F]\n1=Eight digits\n");
  ASSERT_TRUE(cda.ReadFromFile(Write(TrackFile(1, 15, 0, 75))));
  EXPECT_EQ(cda.Title(), u"Two digits");
}

// A cdplayer.ini written on a Japanese system holds Shift-JIS text.
TEST_F(CDAtrackTest, ShiftJisEntriesAreDecoded) {
  WriteIni("[ABC]\nartist=\x93\xFA\x96\x7B\n");
  ASSERT_TRUE(cda.ReadFromFile(Write(TrackFile(1, 0xABC, 0, 75))));
  EXPECT_EQ(cda.Artist(), u"日本");
}

TEST_F(CDAtrackTest, UnknownDiscsAndMissingIniGiveEmptyTexts) {
  WriteIni("[1234]\n1=Other disc\n");
  ASSERT_TRUE(cda.ReadFromFile(Write(TrackFile(1, 0x5678, 0, 150))));
  EXPECT_TRUE(cda.Valid());
  EXPECT_EQ(cda.Title(), u"");
  EXPECT_DOUBLE_EQ(cda.Duration(), 2);

  TCDAtrack::SetCDPlayerIniFolder(dir.Path("nowhere"));
  ASSERT_TRUE(cda.ReadFromFile(Write(TrackFile(1, 0x1234, 0, 150))));
  EXPECT_TRUE(cda.Valid());
  EXPECT_EQ(cda.Title(), u"");
}

TEST_F(CDAtrackTest, OtherFilesAreReadButNotValid) {
  WriteIni("[00]\n0=Nothing\n");
  ASSERT_TRUE(cda.ReadFromFile(Write(Bytes().Text("RIFF").U32LE(4).Text("WAVEfmt "))));
  EXPECT_FALSE(cda.Valid());
  EXPECT_EQ(cda.Title(), u"");
  EXPECT_EQ(cda.Track(), 0);
  ASSERT_TRUE(cda.ReadFromFile(Write(Bytes())));
  EXPECT_FALSE(cda.Valid());
  EXPECT_FALSE(cda.ReadFromFile(dir.Path("missing.cda")));
}

TEST_F(CDAtrackTest, TheIniFileIsKeptBesideTheExecutable) {
  TCDAtrack::SetCDPlayerIniFolder("");
  const std::filesystem::path binDir = std::filesystem::canonical(ORVANE_BIN_DIR);
  EXPECT_EQ(TCDAtrack::CDPlayerIniPath(), (binDir / "cdplayer.ini").string());
}

}  // namespace
