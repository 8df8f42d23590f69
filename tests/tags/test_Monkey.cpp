// TMonkey: hand-built "MAC " headers, with and without tags around them.

#include "tags/Monkey.h"

#include <gtest/gtest.h>

#include "TagFixtures.h"
#include "tags/sMediaTagReader.h"

namespace {

using tagtest::Bytes;

struct TMacHeader {
  uint16_t version = 3970;
  uint16_t level = 2000;
  uint16_t flags = 0;
  uint16_t channels = 2;
  uint32_t sampleRate = 44100;
  uint32_t totalFrames = 100;
  uint32_t finalBlocks = 1000;
  uint32_t peak = 0;
  uint16_t bits = 16;                   // from 3.98 on a field of its own
  uint32_t blocksPerFrame = 294912;     // from 3.98 on a field of its own
  uint32_t descriptorBytes = 52;        // from 3.98 on
};

Bytes& U16(Bytes& b, uint16_t v) { return b.Raw({uint8_t(v), uint8_t(v >> 8)}); }

// The 40-byte header, then audio bytes enough for the end-of-file tag probes.
Bytes MacFile(const TMacHeader& h, size_t audioBytes = 200) {
  Bytes b;
  b.Text("MAC ");
  U16(b, h.version);
  U16(b, h.level);
  U16(b, h.flags);
  U16(b, h.channels);
  b.U32LE(h.sampleRate);
  b.U32LE(32).U32LE(0);  // header bytes, terminating bytes
  b.U32LE(h.totalFrames).U32LE(h.finalBlocks);
  b.U32LE(h.peak).U32LE(7);  // peak level, seek elements
  return b.Fill(audioBytes, 0x55);
}

// Version 3.98 and later: the 52-byte descriptor, the 24-byte header behind it, audio bytes.
Bytes MacFile398(const TMacHeader& h, size_t audioBytes = 200) {
  Bytes b;
  b.Text("MAC ");
  U16(b, h.version);
  U16(b, 0);  // padding
  b.U32LE(h.descriptorBytes).U32LE(24);  // descriptor and header bytes
  b.U32LE(0).U32LE(44).U32LE(uint32_t(audioBytes)).U32LE(0).U32LE(0);  // seek table ... end
  b.Fill(16, 0xAB);                                                    // MD5
  b.Zeros(h.descriptorBytes - 52);  // room a later descriptor may take
  U16(b, h.level);
  U16(b, h.flags);
  b.U32LE(h.blocksPerFrame).U32LE(h.finalBlocks).U32LE(h.totalFrames);
  U16(b, h.bits);
  U16(b, h.channels);
  b.U32LE(h.sampleRate);
  return b.Fill(audioBytes, 0x55);
}

Bytes ID3v2Title(std::string_view title) {
  Bytes frame;
  frame.Text("TIT2").U32BE(uint32_t(title.size() + 1)).Raw({0, 0, 0}).Text(title);
  return Bytes().Text("ID3").Raw({3, 0, 0}).SyncSafe(uint32_t(frame.Size())).Append(frame);
}

Bytes ApeTag(std::string_view key, std::string_view value) {
  Bytes item;
  item.U32LE(uint32_t(value.size())).U32LE(0).Text(key).Raw({0}).Text(value);
  Bytes b;
  b.Append(item).Text("APETAGEX").U32LE(2000).U32LE(uint32_t(item.Size() + 32)).U32LE(1);
  return b.U32LE(0).Zeros(8);
}

class MonkeyTest : public ::testing::Test {
 protected:
  std::string Write(const Bytes& b, const std::string& name = "x.ape") {
    return tagtest::WriteFile(dir.Path(name), b);
  }
  tagtest::TempDir dir;
  TMonkey ape;
};

TEST_F(MonkeyTest, StreamPropertiesOfAVersion397Header) {
  const Bytes file = MacFile({});
  ASSERT_TRUE(ape.ReadFromFile(Write(file)));
  EXPECT_TRUE(ape.Valid());
  EXPECT_EQ(ape.Version(), "3.97");
  EXPECT_EQ(ape.Compression(), "Normal");
  EXPECT_EQ(ape.Bits(), 16);
  EXPECT_EQ(ape.ChannelMode(), "Stereo");
  EXPECT_EQ(ape.Samples(), 29197288);  // 294912 * 99 + 1000
  EXPECT_NEAR(ape.Duration(), 662.07, 0.01);
  EXPECT_DOUBLE_EQ(ape.Ratio(), file.Size() / (29197288.0 * 2 * 2 + 44) * 100);
  EXPECT_EQ(ape.Peak(), 0);
}

TEST_F(MonkeyTest, BlocksPerFrameFollowVersionAndLevel) {
  struct Case {
    uint16_t version, level;
    int32_t blocks;
  };
  for (const Case& c : {Case{3950, 2000, 294912}, Case{3900, 1000, 73728},
                        Case{3850, 4000, 73728}, Case{3850, 3000, 9216}, Case{3700, 4000, 9216}}) {
    ASSERT_TRUE(ape.ReadFromFile(Write(MacFile({.version = c.version, .level = c.level,
                                                .totalFrames = 2, .finalBlocks = 5}))));
    EXPECT_EQ(ape.Samples(), c.blocks + 5) << c.version << " level " << c.level;
  }
}

// Every encoder since 3.98 writes a descriptor, then a header with the sample width, the
// channels and the frame length as fields of their own.
TEST_F(MonkeyTest, StreamPropertiesOfTheLayoutSince398) {
  const struct {
    const char* what;
    Bytes file;
    std::string version, compression;
    uint8_t bits;
    int32_t samples;
    double seconds;
  } cases[] = {
      {"3.99", MacFile398({.version = 3990}), "3.99", "Normal", 16, 29197288, 662.07},
      {"4.06, 24 bits, a longer descriptor, behind an ID3v2 tag",
       ID3v2Title("t").Append(MacFile398({.version = 4060, .level = 5000, .channels = 1,
                                          .sampleRate = 48000, .totalFrames = 10,
                                          .finalBlocks = 500, .bits = 24,
                                          .blocksPerFrame = 73728, .descriptorBytes = 64})),
       "4.06", "Insane", 24, 73728 * 9 + 500, 13.834},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(ape.ReadFromFile(Write(c.file))) << c.what;
    EXPECT_TRUE(ape.Valid()) << c.what;
    EXPECT_EQ(ape.Version(), c.version) << c.what;
    EXPECT_EQ(ape.Compression(), c.compression) << c.what;
    EXPECT_EQ(ape.Bits(), c.bits) << c.what;
    EXPECT_EQ(ape.Samples(), c.samples) << c.what;
    EXPECT_NEAR(ape.Duration(), c.seconds, 0.01) << c.what;
    EXPECT_EQ(ape.Peak(), 0) << c.what;  // this layout stores no peak level
  }
}

TEST_F(MonkeyTest, TextsOfVersionLevelAndChannels) {
  ASSERT_TRUE(ape.ReadFromFile(Write(MacFile({.version = 980, .level = 4000, .channels = 1}))));
  EXPECT_EQ(ape.Version(), "0.98");
  EXPECT_EQ(ape.Compression(), "Extra High");
  EXPECT_EQ(ape.ChannelMode(), "Mono");
  ASSERT_TRUE(
      ape.ReadFromFile(Write(MacFile398({.version = 10000, .level = 5000, .channels = 6}))));
  EXPECT_EQ(ape.Version(), "10.00");
  EXPECT_EQ(ape.Compression(), "Insane");
  EXPECT_EQ(ape.ChannelMode(), "Unknown");
  ASSERT_TRUE(ape.ReadFromFile(Write(MacFile({.level = 9000}))));
  EXPECT_EQ(ape.Compression(), "Unknown");
}

TEST_F(MonkeyTest, SampleWidthAndPeakFromTheFlags) {
  ASSERT_TRUE(ape.ReadFromFile(Write(MacFile({.flags = 1 | 8}))));
  EXPECT_EQ(ape.Bits(), 24);
  ASSERT_TRUE(ape.ReadFromFile(Write(MacFile({.flags = 1}))));
  EXPECT_EQ(ape.Bits(), 8);
  ASSERT_TRUE(ape.ReadFromFile(Write(MacFile({.flags = 4, .peak = 16384}))));
  EXPECT_DOUBLE_EQ(ape.Peak(), 50);
  ASSERT_TRUE(ape.ReadFromFile(Write(MacFile({.flags = 4 | 8, .peak = 4194304}))));
  EXPECT_DOUBLE_EQ(ape.Peak(), 50);
  ASSERT_TRUE(ape.ReadFromFile(Write(MacFile({.flags = 0, .peak = 16384}))));
  EXPECT_EQ(ape.Peak(), 0);  // no peak flag: the stored level is not used
}

TEST_F(MonkeyTest, HeaderIsReadBehindAnID3v2TagAndTagsReachTheFrontEnd) {
  Bytes b = ID3v2Title("Front Title");
  b.Append(MacFile({.channels = 1})).Append(ApeTag("Artist", "Ape Artist"));
  const std::string path = Write(b);
  ASSERT_TRUE(ape.ReadFromFile(path));
  EXPECT_TRUE(ape.Valid());
  EXPECT_EQ(ape.ChannelMode(), "Mono");
  EXPECT_EQ(ape.ID3v2()->Title(), "Front Title");
  EXPECT_EQ(ape.APEtag()->Artist(), "Ape Artist");

  TsMediaTagReader reader;
  ASSERT_TRUE(reader.ReadTags(path));
  EXPECT_EQ(reader.GetTagValue("Title"), "Front Title");
  EXPECT_EQ(reader.GetTagValue("Artist"), "Ape Artist");  // neither ID3 tag has one
}

TEST_F(MonkeyTest, OtherFilesAreReadButNotValid) {
  ASSERT_TRUE(ape.ReadFromFile(Write(Bytes().Text("RIFF").Raw({0xA0, 0x0F}).Zeros(200))));
  EXPECT_FALSE(ape.Valid());
  EXPECT_EQ(ape.Version(), "4.00");  // formed from the bytes whatever they are
  EXPECT_EQ(ape.Bits(), 0);
  EXPECT_EQ(ape.Samples(), 0);
  EXPECT_EQ(ape.Duration(), 0);
  EXPECT_EQ(ape.Ratio(), 0);

  EXPECT_FALSE(ape.ReadFromFile(Write(Bytes().Text("MAC ").Zeros(60))));  // no room for ID3v1
  EXPECT_EQ(ape.Version(), "");
  EXPECT_FALSE(ape.ReadFromFile(dir.Path("missing.ape")));
}

// A tag that fills the whole file leaves no room for the header behind it.
TEST_F(MonkeyTest, AHeaderCutShortFailsTheRead) {
  Bytes b = ID3v2Title(std::string(150, 't'));
  b.Text("MAC ").Zeros(10);
  ASSERT_FALSE(ape.ReadFromFile(Write(b)));
  EXPECT_FALSE(ape.Valid());
  EXPECT_TRUE(ape.ID3v2()->Title().empty());
}

}  // namespace
