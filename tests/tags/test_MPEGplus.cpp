// TMPEGplus: hand-built stream headers of versions 4 to 7.

#include "tags/MPEGplus.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "TagFixtures.h"
#include "tags/sMediaTagReader.h"

namespace {

using tagtest::Bytes;

// Version 7: "MP+" and 7, frame count, then bytes 8 to 11 (b10 the profile, b11 bit 6 joint).
Bytes SV7(uint32_t frames, uint8_t b10, uint8_t b11) {
  return Bytes().Raw({0x4D, 0x50, 0x2B, 0x07}).U32LE(frames).Raw({0, 0, b10, b11});
}

// Versions 4 to 6 keep the version in bits 1 to 4 of b1, the bit rate in the top 9 bits of
// the first word and joint stereo in b2.
Bytes SV4to6(int version, uint32_t bitRate, uint32_t frameWord, bool joint) {
  const uint32_t k = version == 4 ? 3 : version == 5 ? 7 : 11;
  const uint32_t w0 = bitRate << 23 | (joint ? 0x10000u : 0u) | k << 9;
  return Bytes().U32LE(w0).U32LE(frameWord).U32LE(0);
}

Bytes ID3v1Tag(std::string_view title) {
  Bytes b;
  b.Text("TAG").Text(title).Zeros(30 - title.size()).Zeros(30 + 30 + 4 + 30).Raw({255});
  return b;
}

class MPEGplusTest : public ::testing::Test {
 protected:
  std::string Write(const Bytes& b, size_t padTo = 0) {
    const std::string path = tagtest::WriteFile(dir.Path("x.mpc"), b);
    if (padTo > b.Size()) std::filesystem::resize_file(path, padTo);
    return path;
  }
  tagtest::TempDir dir;
  TMPEGplus mpc;
};

TEST_F(MPEGplusTest, Version7HeaderWithProfileAndJointStereo) {
  ASSERT_TRUE(mpc.ReadFromFile(Write(SV7(10000, 0xA0, 0x40), 3000000)));
  EXPECT_TRUE(mpc.Valid());
  EXPECT_EQ(mpc.StreamVersion(), 7);
  EXPECT_EQ(mpc.Profile(), "Standard");
  EXPECT_EQ(mpc.ChannelMode(), "Joint Stereo");
  EXPECT_EQ(mpc.FrameCount(), 10000);
  EXPECT_EQ(mpc.FileSize(), 3000000);
  EXPECT_NEAR(mpc.Duration(), 261.2, 0.05);
  EXPECT_EQ(mpc.BitRate(), 92);  // round(24 000 000 * 44.1 / 10 000 / 1152) = round(91.875)
  EXPECT_EQ(mpc.BitRate(), 92);  // reading it again changes nothing
  EXPECT_EQ(mpc.FileSize(), 3000000);
  EXPECT_FALSE(mpc.Corrupted());

  ASSERT_TRUE(mpc.ReadFromFile(Write(SV7(10000, 0xA5, 0x3F), 3000000)));
  EXPECT_EQ(mpc.ProfileID(), 0);
  EXPECT_EQ(mpc.Profile(), "Unknown");
  EXPECT_EQ(mpc.ChannelMode(), "Stereo");
}

TEST_F(MPEGplusTest, Versions4To6) {
  ASSERT_TRUE(mpc.ReadFromFile(Write(SV4to6(4, 160, 1234u << 16 | 0xFFFF, true), 200)));
  EXPECT_EQ(mpc.StreamVersion(), 4);
  EXPECT_EQ(mpc.FrameCount(), 1234);  // version 4 keeps the count in the upper half
  EXPECT_EQ(mpc.BitRate(), 160);      // from the header
  EXPECT_EQ(mpc.ChannelMode(), "Joint Stereo");

  ASSERT_TRUE(mpc.ReadFromFile(Write(SV4to6(5, 128, 5000, false), 200)));
  EXPECT_EQ(mpc.StreamVersion(), 5);
  EXPECT_EQ(mpc.FrameCount(), 5000);
  EXPECT_EQ(mpc.BitRate(), 128);
  EXPECT_EQ(mpc.ChannelMode(), "Stereo");

  ASSERT_TRUE(mpc.ReadFromFile(Write(SV4to6(6, 128, 1000, false), 1000000)));
  EXPECT_EQ(mpc.StreamVersion(), 6);
  EXPECT_EQ(mpc.ProfileID(), 0);
  EXPECT_EQ(mpc.BitRate(), 306);  // version 6 stores none: round(8 000 000 * 44.1 / 1000 / 1152)
}

TEST_F(MPEGplusTest, TagsAreNotAudioBytes) {
  Bytes front = Bytes().Text("ID3").Raw({3, 0, 0}).SyncSafe(90).Zeros(90);
  Bytes b = front;
  b.Append(SV7(1000, 0x90, 0));
  b.Fill(100000 - b.Size() - 128, 0x11).Append(ID3v1Tag("Song"));
  ASSERT_TRUE(mpc.ReadFromFile(Write(b)));
  ASSERT_EQ(b.Size(), 100000u);
  EXPECT_EQ(mpc.Profile(), "Radio");
  EXPECT_TRUE(mpc.ID3v1()->Exists());
  // 100000 - 100 (ID3v2) - 128 (ID3v1) audio bytes over 1000 frames.
  EXPECT_EQ(mpc.BitRate(), 31);  // round(99772 * 8 * 44.1 / 1000 / 1152) = round(30.55)
  EXPECT_EQ(mpc.ID3v1()->Title(), "Song");
}

// Musepack's names also match "*.mp?", but their own pattern stands first: the file reaches
// this reader, its play time and its APE tag's title, not the MPEG audio reader's nothing.
TEST_F(MPEGplusTest, MusepackNamesReachThisReader) {
  const Bytes item = Bytes().U32LE(4).U32LE(0).Text("Title").Raw({0}).Text("Song");
  Bytes b = SV7(10000, 0xA0, 0);
  b.Fill(3000, 0x11).Append(item).Text("APETAGEX").U32LE(2000).U32LE(uint32_t(item.Size() + 32))
      .U32LE(1).Zeros(12);
  for (const char* name : {"a.mpc", "b.MP+", "c.mpp"}) {
    TsMediaTagReader reader;
    ASSERT_TRUE(reader.ReadTags(tagtest::WriteFile(dir.Path(name), b))) << name;
    EXPECT_EQ(reader.CurrentReader()->ClassName(), "TMPEGplus") << name;
    EXPECT_EQ(reader.GetTagValue("Title"), "Song") << name;
    EXPECT_NEAR(std::stod(reader.GetTagValue("Duration")), 261.2, 0.05) << name;
  }
}

TEST_F(MPEGplusTest, CorruptedOutsideSixteenTo480) {
  struct Case {
    uint32_t bitRate;
    bool corrupted;
  };
  for (const Case& c : {Case{15, true}, Case{16, false}, Case{480, false}, Case{481, true}}) {
    ASSERT_TRUE(mpc.ReadFromFile(Write(SV4to6(5, c.bitRate, 100, false), 200)));
    EXPECT_EQ(mpc.Corrupted(), c.corrupted) << c.bitRate;
  }
}

TEST_F(MPEGplusTest, UnknownStreamsAreReadButNotValid) {
  // 4D 50 2B 17: not version 7, and b1 = 0x50 gives no older version either.
  ASSERT_TRUE(mpc.ReadFromFile(Write(Bytes().Raw({0x4D, 0x50, 0x2B, 0x17}).Zeros(200))));
  EXPECT_FALSE(mpc.Valid());
  EXPECT_EQ(mpc.StreamVersion(), 0);
  EXPECT_EQ(mpc.Duration(), 0);
  EXPECT_FALSE(mpc.Corrupted());

  ASSERT_TRUE(mpc.ReadFromFile(Write(Bytes().Text("plain text file"))));
  EXPECT_FALSE(mpc.Valid());
  EXPECT_FALSE(mpc.ReadFromFile(Write(Bytes().Raw({0x4D, 0x50, 0x2B, 0x07, 1}))));
  EXPECT_FALSE(mpc.ReadFromFile(dir.Path("missing.mpc")));
}

}  // namespace
