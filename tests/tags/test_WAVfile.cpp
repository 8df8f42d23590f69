#include "tags/WAVfile.h"

#include <gtest/gtest.h>

#include "EncodedFixtures.h"
#include "tags/sMediaTagReader.h"

using tagtest::Bytes;
using tagtest::TempDir;

namespace {

// "RIFF", size, "WAVE", "fmt ", chunk size, then the 16 bytes every format chunk starts with.
Bytes Header(uint32_t riffSize, uint16_t formatTag, uint16_t channels, uint32_t fmtSize = 16,
             std::string_view riff = "RIFF") {
  const uint32_t sampleRate = 44100, bytesPerSecond = 44100u * channels * 2;
  return Bytes().Text(riff).U32LE(riffSize).Text("WAVE").Text("fmt ").U32LE(fmtSize)
      .Raw({uint8_t(formatTag), uint8_t(formatTag >> 8)})
      .Raw({uint8_t(channels), uint8_t(channels >> 8)})
      .U32LE(sampleRate)
      .U32LE(bytesPerSecond)
      .Raw({uint8_t(channels * 2), 0})  // block align
      .Raw({16, 0});                    // bits per sample
}

// The canonical 44-byte header and audioBytes of silence.
Bytes Canonical(uint32_t audioBytes, uint16_t channels = 2, uint16_t formatTag = 1) {
  return Header(36 + audioBytes, formatTag, channels)
      .Text("data").U32LE(audioBytes).Zeros(audioBytes);
}

class WAVfileTest : public ::testing::Test {
 protected:
  std::string Write(const Bytes& file) { return tagtest::WriteFile(dir.Path("a.wav"), file); }
  TempDir dir;
};

}  // namespace

TEST_F(WAVfileTest, CanonicalPcmHeader) {
  TWAVfile wav;
  ASSERT_TRUE(wav.ReadFromFile(Write(Canonical(176400))));
  EXPECT_TRUE(wav.Valid());
  EXPECT_EQ(wav.FormatID(), 1);
  EXPECT_EQ(wav.Format(), "Windows PCM");
  EXPECT_EQ(wav.ChannelNumber(), 2);
  EXPECT_EQ(wav.ChannelMode(), "Stereo");
  EXPECT_EQ(wav.SampleRate(), 44100u);
  EXPECT_EQ(wav.BytesPerSecond(), 176400u);
  EXPECT_EQ(wav.BlockAlign(), 4);
  EXPECT_EQ(wav.BitsPerSample(), 16);
  EXPECT_EQ(wav.HeaderSize(), 44);
  EXPECT_EQ(wav.FileSize(), 176400u + 44);
  EXPECT_DOUBLE_EQ(wav.Duration(), 1.0);  // (RIFF size + 8 - 44) / bytes per second
  EXPECT_EQ(GetPropText(wav, "Title"), "");
}

TEST_F(WAVfileTest, FactChunkAfterTheFormatChunkGivesTheSampleCount) {
  // A 20-byte format chunk (2 extra bytes), a fact chunk of 22050 samples, the data chunk.
  Bytes fact = Header(4 + 28 + 12 + 8 + 1000, 17, 1, 20).Raw({2, 0, 0xF9, 0x03});
  fact.Text("fact").U32LE(4).U32LE(22050).Text("data").U32LE(1000).Zeros(1000);
  TWAVfile wav;
  ASSERT_TRUE(wav.ReadFromFile(Write(fact)));
  EXPECT_EQ(wav.Format(), "DVI/IMA ADPCM");
  EXPECT_EQ(wav.FactSampleCount(), 22050);
  EXPECT_EQ(wav.HeaderSize(), 20 + 40);
  EXPECT_DOUBLE_EQ(wav.Duration(), 0.5);

  // A count of 0 falls back to the byte rate; a count with its top bit set gives 0.
  Bytes zero = Header(4 + 24 + 12 + 8 + 88200, 1, 1).Text("fact").U32LE(4).U32LE(0);
  zero.Text("data").U32LE(88200).Zeros(88200);
  ASSERT_TRUE(wav.ReadFromFile(Write(zero)));
  EXPECT_DOUBLE_EQ(wav.Duration(), (zero.Size() - 56.0) / 88200);
  Bytes negative = Header(4 + 24 + 12 + 8, 2, 1).Text("fact").U32LE(4).U32LE(0x80000000u);
  ASSERT_TRUE(wav.ReadFromFile(Write(negative.Text("data").U32LE(0))));
  EXPECT_EQ(wav.Duration(), 0);
}

TEST_F(WAVfileTest, OnlyAChunkNamedFactGivesACount) {
  // A LIST chunk after the format chunk: its "INFO" is no sample count, the byte rate counts.
  Bytes list = Header(0, 1, 2).Text("LIST").U32LE(4).Text("INFO").Text("data").U32LE(17640);
  list.Zeros(17640);
  std::vector<uint8_t> bytes = list.Data();
  const uint32_t riffSize = uint32_t(bytes.size() - 8);
  for (int k = 0; k < 4; ++k) bytes[4 + k] = uint8_t(riffSize >> (8 * k));
  TWAVfile wav;
  ASSERT_TRUE(wav.ReadFromFile(tagtest::WriteFile(dir.Path("a.wav"), bytes)));
  EXPECT_EQ(wav.FactSampleCount(), 0);
  EXPECT_EQ(wav.HeaderSize(), 56);
  EXPECT_NEAR(wav.Duration(), 0.1, 0.001);

  // The 12 bytes at the fact position cannot be read: the read fails as a whole.
  EXPECT_FALSE(wav.ReadFromFile(Write(Header(100, 1, 2).Text("LIST").Raw({4, 0}))));
  EXPECT_FALSE(wav.Valid());
}

TEST_F(WAVfileTest, HeaderChecks) {
  TWAVfile wav;
  for (uint16_t channels : {0, 3}) {
    ASSERT_TRUE(wav.ReadFromFile(Write(Canonical(100, channels))));
    EXPECT_FALSE(wav.Valid()) << channels;
    EXPECT_EQ(wav.ChannelMode(), "Unknown");
    EXPECT_EQ(wav.Duration(), 0);
    EXPECT_EQ(wav.SampleRate(), 0u);
  }
  const Bytes lowerCase = Header(136, 1, 1, 16, "riff").Text("data").U32LE(100).Zeros(100);
  ASSERT_TRUE(wav.ReadFromFile(Write(lowerCase)));
  EXPECT_FALSE(wav.Valid());

  ASSERT_TRUE(wav.ReadFromFile(Write(Canonical(100, 1, 3))));  // IEEE float: no name, still valid
  EXPECT_TRUE(wav.Valid());
  EXPECT_EQ(wav.Format(), "");
  EXPECT_EQ(wav.ChannelMode(), "Mono");

  // RIFF size + 8 below the header size: the header is the whole file and lasts no time.
  ASSERT_TRUE(wav.ReadFromFile(Write(Header(20, 1, 2).Text("data").U32LE(0).Zeros(100))));
  EXPECT_EQ(wav.FileSize(), 28u);
  EXPECT_EQ(wav.HeaderSize(), 28);
  EXPECT_EQ(wav.Duration(), 0);

  EXPECT_FALSE(wav.ReadFromFile(Write(Bytes().Text("RIFF").Zeros(35))));
  EXPECT_FALSE(wav.ReadFromFile(dir.Path("missing.wav")));
  EXPECT_EQ(wav.FileSize(), 0u);
}

// ffmpeg's WAV files against ffprobe: PCM with a LIST chunk (the data chunk's size over the
// byte rate) and ADPCM with a fact chunk (the sample count).
TEST_F(WAVfileTest, EncoderMadeFilesAgreeWithFfprobe) {
  const std::string tone = tagtest::MakeTone(dir, "tone.wav", 3.0);
  struct Case {
    const char* codec;
    const char* format;
  };
  for (const Case c : {Case{"pcm_s16le", "Windows PCM"}, Case{"adpcm_ms", "Microsoft ADPCM"},
                       Case{"adpcm_ima_wav", "DVI/IMA ADPCM"}, Case{"pcm_mulaw", "MU-LAW"}}) {
    const std::string out = dir.Path(std::string(c.codec) + ".wav");
    ASSERT_TRUE(tagtest::Run("ffmpeg -nostdin -loglevel error -y -i '" + tone + "' -c:a " +
                             c.codec + " '" + out + "'"));
    const tagtest::Probe probe = tagtest::FFprobe(out);
    TWAVfile wav;
    ASSERT_TRUE(wav.ReadFromFile(out)) << c.codec;
    EXPECT_TRUE(wav.Valid()) << c.codec;
    EXPECT_EQ(wav.Format(), c.format);
    EXPECT_EQ(wav.SampleRate(), unsigned(probe.SampleRate)) << c.codec;
    EXPECT_EQ(wav.ChannelNumber(), probe.Channels) << c.codec;
    EXPECT_NEAR(wav.Duration(), probe.Duration, probe.Duration * 0.01) << c.codec;
  }
}

namespace {

// A chunk: identifier, size, body, and the pad byte that evens an odd size.
Bytes Chunk(std::string_view id, const Bytes& body) {
  Bytes b = Bytes().Text(id).U32LE(uint32_t(body.Size())).Append(body);
  return body.Size() % 2 ? b.Raw({0}) : b;
}

Bytes Info(std::initializer_list<std::pair<std::string_view, std::string_view>> items) {
  Bytes list = Bytes().Text("INFO");
  for (const auto& [id, text] : items) list.Append(Chunk(id, Bytes().Text(text)));
  return Chunk("LIST", list);
}

// An ID3v2.3 tag with one text frame per (identifier, text).
Bytes Id3(std::initializer_list<std::pair<std::string_view, std::string_view>> frames) {
  Bytes body;
  for (const auto& [id, text] : frames) {
    body.Text(id).U32BE(uint32_t(text.size() + 1)).Raw({0, 0, 0}).Text(text);
  }
  return Bytes().Text("ID3").Raw({3, 0, 0}).SyncSafe(uint32_t(body.Size())).Append(body);
}

// One second of 16-bit stereo silence with the given chunks behind the data chunk.
Bytes WithTrailingChunks(const Bytes& chunks) {
  Bytes b = Header(0, 1, 2).Text("data").U32LE(176400).Zeros(176400).Append(chunks);
  std::vector<uint8_t> bytes = b.Data();
  const uint32_t riffSize = uint32_t(bytes.size() - 8);
  for (int k = 0; k < 4; ++k) bytes[4 + k] = uint8_t(riffSize >> (8 * k));
  return Bytes().Append(bytes);
}

}  // namespace

// Taggers keep WAV tags in a LIST/INFO chunk or an ID3 chunk, often behind the audio; the ID3
// chunk's texts win field by field. The trailing chunks add nothing to the play time.
TEST_F(WAVfileTest, TitleArtistAndAlbumFromInfoAndID3Chunks) {
  const struct {
    const char* what;
    Bytes chunks;
    std::string title, artist, album;
  } cases[] = {
      {"INFO, odd sizes padded", Info({{"INAM", "Abc"}, {"IART", "Artist"}, {"IPRD", "Album"}}),
       "Abc", "Artist", "Album"},
      {"INFO text as stored (Shift-JIS)", Info({{"INAM", "\x89\xCC"}}), "\x89\xCC", "", ""},
      {"ID3 chunk over INFO",
       Info({{"INAM", "Info title"}, {"IART", "Info artist"}})
           .Append(Chunk("id3 ", Id3({{"TIT2", "Id3 title"}, {"TALB", "Id3 album"}}))),
       "Id3 title", "Info artist", "Id3 album"},
      {"upper-case ID3 chunk first", Chunk("ID3 ", Id3({{"TPE1", "Id3 artist"}}))
                                         .Append(Info({{"IART", "Info artist"}})),
       "", "Id3 artist", ""},
      {"a LIST of cue labels behind INFO",
       Info({{"INAM", "Kept"}}).Append(Chunk("LIST", Bytes().Text("adtl").Zeros(12))), "Kept",
       "", ""},
  };
  for (const auto& c : cases) {
    TWAVfile wav;
    ASSERT_TRUE(wav.ReadFromFile(Write(WithTrailingChunks(c.chunks)))) << c.what;
    EXPECT_EQ(GetPropText(wav, "Title"), c.title) << c.what;
    EXPECT_EQ(GetPropText(wav, "Artist"), c.artist) << c.what;
    EXPECT_EQ(GetPropText(wav, "Album"), c.album) << c.what;
    EXPECT_DOUBLE_EQ(wav.Duration(), 1.0) << c.what;
  }
}

TEST_F(WAVfileTest, FfmpegInfoTagsReachThePlayList) {
  const std::string tone = tagtest::MakeTone(dir, "tone.wav", 1.0);
  const std::string out = dir.Path("tagged.wav");
  ASSERT_TRUE(tagtest::Run("ffmpeg -nostdin -loglevel error -y -i '" + tone + "' -metadata "
                           "title='夜明けの歌' -metadata artist='Ärtist' -metadata album=Album '" +
                           out + "'"));
  TsMediaTagReader reader;
  ASSERT_TRUE(reader.ReadTags(out));
  EXPECT_EQ(reader.GetTagValue("Title"), "夜明けの歌");
  EXPECT_EQ(reader.GetTagValue("Artist"), "Ärtist");
  EXPECT_EQ(reader.GetTagValue("Album"), "Album");
}
