// TTwinVQ: hand-built "TWIN" headers and chunk lists.

#include "tags/TwinVQ.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "TagFixtures.h"
#include "tags/sMediaTagReader.h"

namespace {

using tagtest::Bytes;

// The 40-byte header: identifier, version, header size, then the common chunk ("COMM") whose
// body starts with channel mode, bit rate, sample rate code and security level.
Bytes Header(uint32_t channelMode, uint32_t bitRate, uint32_t rateCode, uint32_t headerSize = 20) {
  Bytes b;
  b.Text("TWIN").Text("97012000").U32BE(headerSize);
  return b.Text("COMM").U32BE(16).U32BE(channelMode).U32BE(bitRate).U32BE(rateCode).U32BE(0);
}

Bytes Chunk(std::string_view id, std::string_view body) {
  return Bytes().Text(id).U32BE(uint32_t(body.size())).Text(body);
}

class TwinVQTest : public ::testing::Test {
 protected:
  std::string Write(const Bytes& b, size_t padTo = 0) {
    const std::string path = tagtest::WriteFile(dir.Path("x.vqf"), b);
    if (padTo > b.Size()) std::filesystem::resize_file(path, padTo);
    return path;
  }
  tagtest::TempDir dir;
  TTwinVQ vqf;
};

TEST_F(TwinVQTest, StreamPropertiesFromTheHeader) {
  Bytes b = Header(1, 80, 44);
  b.Append(Chunk("DATA", ""));
  ASSERT_TRUE(vqf.ReadFromFile(Write(b, 1000040)));
  EXPECT_TRUE(vqf.Valid());
  EXPECT_EQ(vqf.ChannelMode(), "Stereo");
  EXPECT_EQ(vqf.BitRate(), 80);
  EXPECT_EQ(vqf.SampleRate(), 44100);
  EXPECT_EQ(vqf.FileSize(), 1000040u);
  EXPECT_DOUBLE_EQ(vqf.Duration(), 100);  // 1 000 000 / 125 / 80
  EXPECT_FALSE(vqf.Corrupted());
}

TEST_F(TwinVQTest, SampleRateCodesAndChannelModes) {
  struct Case {
    uint32_t code;
    uint16_t rate;
  };
  for (const Case& c : {Case{11, 11025}, Case{22, 22050}, Case{16, 16000}, Case{8, 8000},
                        Case{48, 48000}, Case{70, 4464}}) {  // 70 000 modulo 65 536
    ASSERT_TRUE(vqf.ReadFromFile(Write(Header(0, 32, c.code), 5000)));
    EXPECT_EQ(vqf.SampleRate(), c.rate) << c.code;
    EXPECT_EQ(vqf.ChannelMode(), "Mono");
  }
  ASSERT_TRUE(vqf.ReadFromFile(Write(Header(2, 32, 22), 5000)));
  EXPECT_EQ(vqf.ChannelModeID(), 0);
  EXPECT_TRUE(vqf.Corrupted());
}

TEST_F(TwinVQTest, BitRateKeepsEightBitsAndZeroGivesNoDuration) {
  ASSERT_TRUE(vqf.ReadFromFile(Write(Header(1, 300, 44), 300040)));
  EXPECT_EQ(vqf.BitRate(), 44);
  EXPECT_DOUBLE_EQ(vqf.Duration(), 300000 / 125.0 / 300);
  ASSERT_TRUE(vqf.ReadFromFile(Write(Header(1, 0, 44), 300040)));
  EXPECT_EQ(vqf.Duration(), 0);
  EXPECT_TRUE(vqf.Corrupted());
}

TEST_F(TwinVQTest, TextsComeFromTheChunksBeforeData) {
  Bytes b = Header(1, 80, 44);
  b.Append(Chunk("NAME", "  Padded Title   "))
      .Append(Chunk("AUTH", "Author"))
      .Append(Chunk("COMT", "first"))
      .Append(Chunk("COMT", "second"))
      .Append(Chunk("(c) ", "Label"))
      .Append(Chunk("FILE", "orig.wav"))
      .Append(Chunk("name", "lower case is another chunk"))
      .Append(Chunk("DATA", "audio"))
      .Append(Chunk("ALBM", "after the data"));
  const std::string path = Write(b);
  ASSERT_TRUE(vqf.ReadFromFile(path));
  EXPECT_EQ(vqf.Title(), "Padded Title");
  EXPECT_EQ(vqf.Author(), "Author");
  EXPECT_EQ(vqf.Comment(), "second");
  EXPECT_EQ(vqf.Copyright(), "Label");
  EXPECT_EQ(vqf.OriginalFile(), "orig.wav");
  EXPECT_EQ(vqf.Album(), "");

  TsMediaTagReader reader;
  ASSERT_TRUE(reader.ReadTags(path));
  EXPECT_EQ(reader.GetTagValue("Title"), "Padded Title");
  EXPECT_EQ(reader.GetTagValue("Artist"), "");  // TwinVQ calls it "Author"
}

// A body of 250 bytes or more keeps its first 250 bytes; the next chunk is found behind the
// whole body.
TEST_F(TwinVQTest, LongChunksAreCutAndTheWalkGoesOnBehindThem) {
  Bytes b = Header(1, 80, 44);
  b.Append(Chunk("COMT", std::string(300, 'c'))).Append(Chunk("ALBM", "Album"));
  ASSERT_TRUE(vqf.ReadFromFile(Write(b)));
  EXPECT_EQ(vqf.Comment(), std::string(250, 'c'));
  EXPECT_EQ(vqf.Album(), "Album");
}

TEST_F(TwinVQTest, TheWalkEndsQuietly) {
  Bytes cut = Header(1, 80, 44);
  cut.Append(Chunk("NAME", "Kept")).Text("AUTH").U32BE(100).Text("cut short");
  ASSERT_TRUE(vqf.ReadFromFile(Write(cut)));
  EXPECT_EQ(vqf.Title(), "Kept");
  EXPECT_EQ(vqf.Author(), "");

  Bytes control = Header(1, 80, 44);
  control.Append(Chunk("NAME", "Kept")).Append(Chunk("A\x01" "BC", "")).Append(Chunk("ALBM", "x"));
  ASSERT_TRUE(vqf.ReadFromFile(Write(control)));
  EXPECT_EQ(vqf.Album(), "");

  // Thousands of empty chunks: the walk stops at its bound, long before the end.
  Bytes many = Header(1, 80, 44);
  for (int i = 0; i < 5000; ++i) many.Append(Chunk("JUNK", ""));
  many.Append(Chunk("NAME", "too far"));
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(vqf.ReadFromFile(Write(many)));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(vqf.Title(), "");
}

TEST_F(TwinVQTest, OtherFilesAreReadButNotValid) {
  ASSERT_TRUE(vqf.ReadFromFile(Write(Bytes().Text("RIFF").Zeros(36))));
  EXPECT_FALSE(vqf.Valid());
  EXPECT_FALSE(vqf.Corrupted());
  EXPECT_EQ(vqf.Title(), "");
  EXPECT_FALSE(vqf.ReadFromFile(Write(Bytes().Text("TWIN").Zeros(35))));
  EXPECT_FALSE(vqf.ReadFromFile(dir.Path("missing.vqf")));
}

}  // namespace
