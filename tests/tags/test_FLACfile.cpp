#include "tags/FLACfile.h"

#include <gtest/gtest.h>

#include "EncodedFixtures.h"
#include "tags/sMediaTagReader.h"

using tagtest::Bytes;
using tagtest::TempDir;

namespace {

// Marker, stream information block header (type 0, 34 bytes), block and frame sizes, the packed
// fields (sample rate 20 bits, channels - 1 3 bits, bits - 1 5 bits, samples 36 bits), MD5.
Bytes StreamInfo(uint32_t sampleRate, uint8_t channels, uint8_t bits, uint64_t samples,
                 std::string_view marker = "fLaC", bool last = false) {
  Bytes b = Bytes().Text(marker).Raw({uint8_t(last ? 0x80 : 0x00)}).U24BE(34);
  b.Raw({0x10, 0x00, 0x10, 0x00}).Zeros(6);
  b.Raw({uint8_t(sampleRate >> 12), uint8_t(sampleRate >> 4),
         uint8_t((sampleRate & 0xF) << 4 | (channels - 1) << 1 | (bits - 1) >> 4),
         uint8_t(((bits - 1) & 0xF) << 4 | (samples >> 32 & 0xF))});
  b.U32BE(uint32_t(samples)).Zeros(16);
  return b;
}

Bytes LE32String(std::string_view s) { return Bytes().U32LE(uint32_t(s.size())).Text(s); }

// A metadata block: type byte (0x80 on the last one), 24-bit length, body.
Bytes Block(uint8_t type, const Bytes& body, bool last) {
  return Bytes().Raw({uint8_t(type | (last ? 0x80 : 0))}).U24BE(uint32_t(body.Size())).Append(body);
}

Bytes CommentBody(const std::vector<std::string>& comments) {
  Bytes b = LE32String("reference libFLAC");
  b.U32LE(uint32_t(comments.size()));
  for (const std::string& c : comments) b.Append(LE32String(c));
  return b;
}

class FLACfileTest : public ::testing::Test {
 protected:
  std::string Write(const Bytes& file) { return tagtest::WriteFile(dir.Path("a.flac"), file); }
  TempDir dir;
};

}  // namespace

TEST_F(FLACfileTest, StreamInformationGivesDurationAndRatio) {
  Bytes file = StreamInfo(44100, 2, 16, 441000, "fLaC", true);
  file.Zeros(1000000 - file.Size());
  TFLACfile flac;
  ASSERT_TRUE(flac.ReadFromFile(Write(file)));
  EXPECT_EQ(flac.Channels(), 2);
  EXPECT_EQ(flac.SampleRate(), 44100);
  EXPECT_EQ(flac.BitsPerSample(), 16);
  EXPECT_EQ(flac.Samples(), 441000);
  EXPECT_EQ(flac.FileLength(), 1000000);
  EXPECT_TRUE(flac.Valid());
  EXPECT_DOUBLE_EQ(flac.Duration(), 10.0);
  EXPECT_DOUBLE_EQ(flac.Ratio(), 1000000.0 / 1764000 * 100);  // about 56.7 %

  // 24 bits, 8 channels, 192 kHz: every packed field at its widest.
  ASSERT_TRUE(flac.ReadFromFile(Write(StreamInfo(192000, 8, 24, 192000, "fLaC", true))));
  EXPECT_EQ(flac.Channels(), 8);
  EXPECT_EQ(flac.SampleRate(), 192000);
  EXPECT_EQ(flac.BitsPerSample(), 24);
  EXPECT_DOUBLE_EQ(flac.Duration(), 1.0);
}

TEST_F(FLACfileTest, MarkerAndSizes) {
  TFLACfile flac;
  // Not FLAC: read, but not valid; only the length is set.
  ASSERT_TRUE(flac.ReadFromFile(Write(Bytes().Fill(40, 0x41))));
  EXPECT_FALSE(flac.Valid());
  EXPECT_EQ(flac.Duration(), 0);
  EXPECT_EQ(flac.Ratio(), 0);
  EXPECT_EQ(flac.FileLength(), 40);
  EXPECT_EQ(flac.SampleRate(), 0);

  EXPECT_FALSE(flac.ReadFromFile(Write(Bytes().Text("fLaC").Zeros(16))));
  EXPECT_FALSE(flac.ReadFromFile(dir.Path("missing.flac")));
  EXPECT_EQ(flac.FileLength(), 0);

  // The marker is checked by its byte sum: a permutation passes.
  ASSERT_TRUE(flac.ReadFromFile(Write(StreamInfo(44100, 2, 16, 44100, "CaLf"))));
  EXPECT_TRUE(flac.Valid());

  // Only the low 32 bits of the 36-bit count; with bit 31 set the count is negative.
  ASSERT_TRUE(flac.ReadFromFile(Write(StreamInfo(44100, 2, 16, (uint64_t{1} << 32) + 44100))));
  EXPECT_EQ(flac.Samples(), 44100);
  ASSERT_TRUE(flac.ReadFromFile(Write(StreamInfo(44100, 2, 16, 0x80000000u))));
  EXPECT_LT(flac.Samples(), 0);
  EXPECT_FALSE(flac.Valid());
}

TEST_F(FLACfileTest, TitleAndArtistFromTheVorbisCommentBlock) {
  Bytes file = StreamInfo(44100, 2, 16, 44100);
  file.Append(Block(1, Bytes().Zeros(100), false));  // padding
  file.Append(Block(4, CommentBody({"title=Song", "PERFORMER=Band", "ALBUM=Record"}), true));
  file.Zeros(500);
  const std::string path = Write(file);
  TFLACfile flac;
  ASSERT_TRUE(flac.ReadFromFile(path));
  EXPECT_EQ(flac.Title(), "Song");
  EXPECT_EQ(flac.Artist(), "Band");  // no ARTIST: the performer
  EXPECT_EQ(flac.Album(), "Record");
  EXPECT_FALSE(flac.ID3v1()->Exists());
  EXPECT_FALSE(flac.ID3v2()->Exists());

  TsMediaTagReader reader;
  ASSERT_TRUE(reader.ReadTags(path));
  EXPECT_EQ(reader.GetTagValue("Title"), "Song");
  EXPECT_EQ(reader.GetTagValue("Artist"), "Band");
}

TEST_F(FLACfileTest, BrokenCommentBlocksLeaveTheStreamInformation) {
  // A comment count far beyond the block, a comment length past its end, a block length past
  // the end of the file: the texts read so far stay, the stream information always does.
  Bytes lyingCount = LE32String("v").U32LE(0xFFFFFFFF).Append(LE32String("TITLE=Kept"));
  Bytes lyingLength = LE32String("v").U32LE(2).Append(LE32String("TITLE=Kept")).U32LE(0x7FFFFFFF);
  for (const Bytes* body : {&lyingCount, &lyingLength}) {
    TFLACfile flac;
    const Bytes file = StreamInfo(44100, 2, 16, 44100).Append(Block(4, *body, true));
    ASSERT_TRUE(flac.ReadFromFile(Write(file)));
    EXPECT_EQ(flac.Title(), "Kept");
    EXPECT_TRUE(flac.Valid());
  }
  Bytes cut = StreamInfo(44100, 2, 16, 44100).Raw({4, 0xFF, 0xFF, 0xFF});
  cut.Append(CommentBody({"TITLE=x"}));
  TFLACfile flac;
  ASSERT_TRUE(flac.ReadFromFile(Write(cut)));
  EXPECT_EQ(flac.Title(), "x");
  EXPECT_DOUBLE_EQ(flac.Duration(), 1.0);
}

TEST_F(FLACfileTest, EncoderMadeFileAgreesWithFfprobe) {
  const std::string wav = tagtest::MakeTone(dir, "tone.wav", 2.5, 2, 48000);
  const std::string path = dir.Path("tone.flac");
  ASSERT_TRUE(tagtest::Run("flac -s -f -T 'TITLE=夜明けの歌' -T 'ARTIST=Beyoncé' -o '" + path +
                           "' '" + wav + "'"));
  const tagtest::Probe probe = tagtest::FFprobe(path);
  TFLACfile flac;
  ASSERT_TRUE(flac.ReadFromFile(path));
  EXPECT_TRUE(flac.Valid());
  EXPECT_EQ(flac.SampleRate(), probe.SampleRate);
  EXPECT_EQ(flac.Channels(), probe.Channels);
  EXPECT_NEAR(flac.Duration(), probe.Duration, 0.001);
  EXPECT_GT(flac.Ratio(), 0);
  EXPECT_LT(flac.Ratio(), 100);

  TsMediaTagReader reader;
  ASSERT_TRUE(reader.ReadTags(path));
  EXPECT_EQ(reader.GetTagValue("Title"), "夜明けの歌");
  EXPECT_EQ(reader.GetTagValue("Artist"), "Beyoncé");
}
