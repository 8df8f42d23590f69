// TAACfile: ADTS streams from ffmpeg and hand-built ADTS and ADIF headers.

#include "tags/AACfile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "TagFixtures.h"
#include "tags/sMediaTagReader.h"

namespace {

using tagtest::Bytes;

// Fields written most significant bit first, as AAC headers store them.
class BitWriter {
 public:
  BitWriter& Put(uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) {
      if (FBit % 8 == 0) FBytes.push_back(0);
      if (value >> i & 1) FBytes.back() |= uint8_t(0x80 >> (FBit % 8));
      ++FBit;
    }
    return *this;
  }
  const std::vector<uint8_t>& Data() const { return FBytes; }

 private:
  std::vector<uint8_t> FBytes;
  size_t FBit = 0;
};

struct TAdts {
  int id = 0;          // 0 MPEG-4, 1 MPEG-2
  int profile = 1;     // 1 gives "AAC LC"
  int rateIndex = 4;   // 44100
  int channels = 2;
  int lengthBytes = 400;  // the whole frame, header included
  int fullness = 0x7FF;   // 0x7FF marks a variable-rate stream
};

// One frame: the 7-byte fixed and variable header, then zero payload up to the frame length.
std::vector<uint8_t> Frame(const TAdts& f) {
  BitWriter w;
  w.Put(0xFFF, 12).Put(f.id, 1).Put(0, 2).Put(1, 1);        // sync, ID, layer, no CRC
  w.Put(f.profile, 2).Put(f.rateIndex, 4).Put(0, 1);        // profile, rate, private bit
  w.Put(f.channels, 3).Put(0, 4);                           // channels, four flag bits
  w.Put(f.lengthBytes, 13).Put(f.fullness, 11).Put(0, 2);  // length, fullness, blocks
  std::vector<uint8_t> frame = w.Data();
  if (f.lengthBytes > 7) frame.resize(f.lengthBytes, 0);
  return frame;
}

Bytes Frames(const TAdts& f, int count) {
  Bytes b;
  for (int i = 0; i < count; ++i) b.Append(Frame(f));
  return b;
}

// An empty ID3v2.3 tag of `size` bytes in all (header included), padding only.
Bytes ID3v2Tag(uint32_t size) {
  return Bytes().Text("ID3").Raw({3, 0, 0}).SyncSafe(size - 10).Zeros(size - 10);
}

double FfprobeDuration(const std::string& path) {
  const std::string command = "timeout 60 ffprobe -v error -show_entries format=duration "
                              "-of default=noprint_wrappers=1:nokey=1 '" + path + "'";
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return 0;
  char text[64] = {};
  const size_t got = std::fread(text, 1, sizeof text - 1, pipe);
  pclose(pipe);
  return got > 0 ? std::atof(text) : 0;
}

class AACfileTest : public ::testing::Test {
 protected:
  std::string Write(const Bytes& b) { return tagtest::WriteFile(dir.Path("x.aac"), b); }
  tagtest::TempDir dir;
  TAACfile aac;
};

TEST_F(AACfileTest, FfmpegAdtsGivesRateChannelsAndADurationCloseToFfprobes) {
  const std::string path = dir.Path("tone.aac");
  ASSERT_TRUE(tagtest::Run("ffmpeg -nostdin -loglevel error -y -f lavfi "
                           "-i sine=frequency=440:duration=6:sample_rate=22050 -ac 2 -c:a aac "
                           "-f adts '" + path + "'"));
  ASSERT_TRUE(aac.ReadFromFile(path));
  EXPECT_TRUE(aac.Valid());
  EXPECT_EQ(aac.HeaderType(), "ADTS");
  EXPECT_EQ(aac.MPEGVersion(), "MPEG-4");
  EXPECT_EQ(aac.Profile(), "AAC LC");
  EXPECT_EQ(aac.SampleRate(), 22050);
  EXPECT_EQ(aac.Channels(), 2);
  EXPECT_EQ(aac.BitRateType(), "VBR");
  const double expected = FfprobeDuration(path);
  ASSERT_GT(expected, 5.0);
  EXPECT_NEAR(aac.Duration(), expected, expected * 0.05);

  TsMediaTagReader reader;
  EXPECT_TRUE(reader.ReadTags(path));
}

TEST_F(AACfileTest, AdtsHeaderFields) {
  const TAdts lc{.id = 0, .profile = 1, .rateIndex = 4, .channels = 2};
  ASSERT_TRUE(aac.ReadFromFile(Write(Frames(lc, 5))));
  EXPECT_EQ(aac.MPEGVersionID(), 2);
  EXPECT_EQ(aac.Profile(), "AAC LC");
  EXPECT_EQ(aac.SampleRate(), 44100);
  EXPECT_EQ(aac.Channels(), 2);

  const TAdts ltp{.id = 1, .profile = 3, .rateIndex = 11, .channels = 1};
  ASSERT_TRUE(aac.ReadFromFile(Write(Frames(ltp, 5))));
  EXPECT_EQ(aac.MPEGVersion(), "MPEG-2");
  EXPECT_EQ(aac.Profile(), "AAC LTP");
  EXPECT_EQ(aac.SampleRate(), 8000);
  EXPECT_EQ(aac.Channels(), 1);
}

// The frame length sits at bit 30 of every ADTS header, MPEG-2 and MPEG-4 alike.
TEST_F(AACfileTest, FrameLengthIsReadAtTheSamePlaceInBothVersions) {
  for (int id : {0, 1}) {
    ASSERT_TRUE(aac.ReadFromFile(Write(Frames({.id = id, .lengthBytes = 400}, 10))));
    // 10 frames of 400 bytes: 400 * 8 / 1024 * 44100 = 137812.5, rounded half to even.
    EXPECT_EQ(aac.BitRate(), 137812) << "ID bit " << id;
    EXPECT_NEAR(aac.Duration(), 4000 * 8 / 137812.0, 1e-9);
  }
}

TEST_F(AACfileTest, AConstantRateStreamIsMeasuredOnItsFirstFrame) {
  Bytes b = Frames({.lengthBytes = 372, .fullness = 0x100}, 1);
  b.Append(Frames({.lengthBytes = 1000, .fullness = 0x100}, 3));
  ASSERT_TRUE(aac.ReadFromFile(Write(b)));
  EXPECT_EQ(aac.BitRateType(), "CBR");
  EXPECT_EQ(aac.BitRate(), 128166);  // round(372 * 8 / 1024 * 44100)
}

TEST_F(AACfileTest, OnlyTheFirstThousandFramesAreAveraged) {
  Bytes b = Frames({.lengthBytes = 300}, 1000);
  b.Append(Frames({.lengthBytes = 600}, 200));
  ASSERT_TRUE(aac.ReadFromFile(Write(b)));
  EXPECT_EQ(aac.BitRate(), 103359);  // round(300 * 8 / 1024 * 44100)
}

TEST_F(AACfileTest, ZeroLengthFramesEndAtTheFrameLimit) {
  const Bytes b = Frames({.lengthBytes = 0}, 40);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(aac.ReadFromFile(Write(b)));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(aac.BitRate(), 0);
  EXPECT_EQ(aac.Duration(), 0);
  EXPECT_FALSE(aac.Valid());
}

// The last header is cut one byte short: the missing byte reads as zero, so the buffer
// fullness is not 0x7FF and the frame counts as constant-rate.
TEST_F(AACfileTest, BitsPastTheEndOfTheFileReadAsZero) {
  std::vector<uint8_t> frame = Frame({.lengthBytes = 200});
  frame.resize(6);
  Bytes b = ID3v2Tag(122);
  b.Append(frame);
  ASSERT_TRUE(aac.ReadFromFile(Write(b)));
  EXPECT_EQ(aac.BitRateType(), "CBR");
  EXPECT_EQ(aac.BitRate(), 68906);  // round(200 * 8 / 1024 * 44100)
}

TEST_F(AACfileTest, UnknownRatesAndOtherFilesAreNotValid) {
  ASSERT_TRUE(aac.ReadFromFile(Write(Frames({.rateIndex = 13}, 3))));
  EXPECT_EQ(aac.SampleRate(), 0);
  EXPECT_FALSE(aac.Valid());

  ASSERT_TRUE(aac.ReadFromFile(Write(Bytes().Raw({0xFF, 0xE0}).Zeros(200))));
  EXPECT_EQ(aac.HeaderType(), "Unknown");

  ASSERT_TRUE(aac.ReadFromFile(Write(Bytes().Fill(300, 'a'))));
  EXPECT_FALSE(aac.Valid());
  EXPECT_EQ(aac.HeaderTypeID(), 0);
  EXPECT_EQ(aac.Duration(), 0);

  // Too short for the ID3v1 probe of the last 128 bytes.
  EXPECT_FALSE(aac.ReadFromFile(Write(Frames({.lengthBytes = 100}, 1))));
  EXPECT_FALSE(aac.ReadFromFile(dir.Path("missing.aac")));
}

// ADIF: one header; the bit positions follow the copyright flag and the bit rate type.
Bytes Adif(bool copyright, bool variable, uint32_t bitRate) {
  BitWriter w;
  for (char c : std::string("ADIF")) w.Put(uint8_t(c), 8);
  w.Put(copyright, 1);
  if (copyright) w.Put(0x123456, 24).Put(0, 24).Put(0, 24);  // 72-bit identifier
  w.Put(0, 2);                                               // original/copy, home
  w.Put(variable, 1).Put(bitRate, 23);
  w.Put(0, variable ? 8 : 28);  // element count, and the buffer fullness of a constant rate
  w.Put(1, 2).Put(3, 4);                     // profile 1 (AAC LC), 48000 Hz
  w.Put(2, 4).Put(1, 4).Put(1, 4).Put(1, 2); // front, side, back, LFE channel elements
  return Bytes().Append(w.Data()).Zeros(200);
}

TEST_F(AACfileTest, AdifHeaderBehindAnID3v2Tag) {
  for (bool copyright : {false, true}) {
    for (bool variable : {false, true}) {
      Bytes b = ID3v2Tag(64);
      b.Append(Adif(copyright, variable, 96000));
      ASSERT_TRUE(aac.ReadFromFile(Write(b)));
      EXPECT_EQ(aac.HeaderType(), "ADIF");
      EXPECT_EQ(aac.BitRateType(), variable ? "VBR" : "CBR");
      EXPECT_EQ(aac.BitRate(), 96000);
      EXPECT_EQ(aac.MPEGVersion(), "MPEG-4");
      EXPECT_EQ(aac.Profile(), "AAC LC");
      EXPECT_EQ(aac.SampleRate(), 48000);
      EXPECT_EQ(aac.Channels(), 5);
      EXPECT_DOUBLE_EQ(aac.Duration(), (b.Size() - 64) * 8 / 96000.0);
    }
  }
}

}  // namespace
