#include "tags/MPEGaudio.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <vector>

#include "EncodedFixtures.h"
#include "tags/sMediaTagReader.h"

using tagtest::Bytes;
using tagtest::TempDir;

namespace {

// MPEG 1, Layer III, no CRC; 128 kbit/s, 44100 Hz, no padding; joint stereo, mode extension 2,
// original. 417 bytes a frame.
constexpr std::initializer_list<uint8_t> kHeader128 = {0xFF, 0xFB, 0x90, 0x64};
constexpr size_t kFrame128 = 417;

// A frame: its header, then body bytes that are neither zero (the "Xing" flag) nor 0xFF.
Bytes Frame(std::initializer_list<uint8_t> header, size_t lengthBytes, uint8_t fill = 0x55) {
  return Bytes().Raw(header).Fill(lengthBytes - 4, fill);
}

Bytes Frames(size_t count, std::initializer_list<uint8_t> header = kHeader128,
             size_t lengthBytes = kFrame128) {
  Bytes b;
  for (size_t i = 0; i < count; ++i) b.Append(Frame(header, lengthBytes));
  return b;
}

// An ID3v2.3 tag holding one Latin-1 TIT2 frame.
Bytes ID3v2Title(std::string_view title) {
  const uint32_t frameBytes = uint32_t(10 + 1 + title.size());
  return Bytes().Text("ID3").Raw({3, 0, 0}).SyncSafe(frameBytes)
      .Text("TIT2").U32BE(uint32_t(1 + title.size())).Raw({0, 0, 0}).Text(title);
}

// An ID3v1 tag with a title.
Bytes ID3v1Title(std::string_view title) {
  Bytes b;
  b.Text("TAG").Text(title).Zeros(30 - title.size()).Zeros(30 + 30 + 4 + 30).Raw({12});
  return b;
}

// The first frame with a Xing header at offset 36 (MPEG 1 stereo), then ordinary frames.
Bytes XingFile(uint32_t frames, uint32_t bytes, std::string_view vendor) {
  Bytes first;
  first.Raw(kHeader128).Zeros(32).Text("Xing").U32BE(0x0F).U32BE(frames).U32BE(bytes).Zeros(100)
      .U32BE(0x40).Text(vendor);
  first.Zeros(kFrame128 - first.Size());
  return first.Append(Frames(20));
}

class MPEGaudioTest : public ::testing::Test {
 protected:
  std::string Write(const Bytes& file, const std::string& name = "a.mp3") {
    return tagtest::WriteFile(dir.Path(name), file);
  }
  TempDir dir;
};

}  // namespace

TEST(MPEGaudioTables, BitRatesAndFrameLengthsFollowTheStandard) {
  EXPECT_EQ(MPEGBitRate(3, 1, 9), 128);   // MPEG 1 Layer III
  EXPECT_EQ(MPEGBitRate(3, 3, 14), 448);  // MPEG 1 Layer I
  EXPECT_EQ(MPEGBitRate(3, 2, 14), 384);  // MPEG 1 Layer II
  EXPECT_EQ(MPEGBitRate(2, 1, 14), 160);  // MPEG 2 Layer III
  EXPECT_EQ(MPEGBitRate(0, 2, 1), 8);     // MPEG 2.5 shares the MPEG 2 rows
  EXPECT_EQ(MPEGBitRate(2, 3, 14), 256);  // MPEG 2 Layer I
  EXPECT_EQ(MPEGBitRate(1, 1, 9), 0);     // reserved version
  EXPECT_EQ(MPEGBitRate(3, 0, 9), 0);     // reserved layer
  EXPECT_EQ(MPEGBitRate(3, 1, 0), 0);     // free format
  EXPECT_EQ(MPEGBitRate(3, 1, 15), 0);    // forbidden

  TFrameData f;
  f.VersionID = 3, f.LayerID = 1, f.BitRateID = 9, f.SampleRateID = 0;
  EXPECT_EQ(MPEGFrameLength(f), 417);  // 144 * 128000 / 44100 = 417.96, truncated
  f.PaddingBit = 1;
  EXPECT_EQ(MPEGFrameLength(f), 418);
  f.LayerID = 3, f.BitRateID = 14, f.SampleRateID = 2;  // Layer I pads by a 4-byte slot
  EXPECT_EQ(MPEGFrameLength(f), 48 * 448000 / 32000 + 4);
  f = TFrameData();
  f.VersionID = 2, f.LayerID = 1, f.BitRateID = 14, f.SampleRateID = 0;
  EXPECT_EQ(MPEGFrameLength(f), 72 * 160000 / 22050);
  f.LayerID = 2;
  EXPECT_EQ(MPEGFrameLength(f), 144 * 160000 / 22050);
  f.VersionID = 0, f.LayerID = 1, f.BitRateID = 1, f.SampleRateID = 2;  // MPEG 2.5, 8 kHz
  EXPECT_EQ(MPEGFrameLength(f), 72);
  // Layer I outside MPEG 1 carries 384 samples a frame like everywhere else: 48, not 24.
  f.VersionID = 2, f.LayerID = 3, f.BitRateID = 14, f.SampleRateID = 1;
  EXPECT_EQ(MPEGFrameLength(f), 48 * 256000 / 24000);
}

TEST_F(MPEGaudioTest, DecodesTheFirstHeaderThatAnotherFollows) {
  TMPEGaudio mp3;
  ASSERT_TRUE(mp3.ReadFromFile(Write(Frames(30))));
  const TFrameData& f = mp3.Frame();
  EXPECT_TRUE(f.Found);
  EXPECT_EQ(f.Position, 0);
  EXPECT_EQ(f.Size, 417);
  EXPECT_EQ(mp3.Version(), "MPEG 1");
  EXPECT_EQ(mp3.Layer(), "Layer III");
  EXPECT_EQ(mp3.BitRate(), 128);
  EXPECT_EQ(mp3.SampleRate(), 44100);
  EXPECT_EQ(f.ProtectionBit, 0);
  EXPECT_EQ(mp3.ChannelMode(), "Joint Stereo");
  EXPECT_EQ(f.ModeExtensionID, 2);
  EXPECT_EQ(f.CopyrightBit, 0);
  EXPECT_EQ(f.OriginalBit, 1);
  EXPECT_EQ(mp3.Emphasis(), "None");
  EXPECT_EQ(mp3.FileLength(), 30 * 417);
  EXPECT_EQ(mp3.Frames(), 30);
  EXPECT_DOUBLE_EQ(mp3.Duration(), 30 * 417 / 128.0 / 1000 * 8);
  EXPECT_TRUE(mp3.Valid());
}

TEST_F(MPEGaudioTest, HeadersWithoutASecondOneAndFreeFormatAreNeverTaken) {
  // One header and no second at the computed distance; then only free-format frames (bit-rate
  // index 0). Neither has a frame, so everything is empty, the ID3v1 title included.
  const Bytes isolated =
      Bytes().Append(Frame(kHeader128, 417)).Fill(600, 0x11).Append(ID3v1Title("Gone"));
  const Bytes freeFormat = Frames(12, {0xFF, 0xFB, 0x00, 0x64}, 417).Append(ID3v1Title("Gone"));
  for (const Bytes* file : {&isolated, &freeFormat}) {
    TMPEGaudio mp3;
    ASSERT_TRUE(mp3.ReadFromFile(Write(*file)));
    EXPECT_FALSE(mp3.Frame().Found);
    EXPECT_FALSE(mp3.Valid());
    EXPECT_EQ(mp3.FileLength(), 0);
    EXPECT_EQ(mp3.Version(), "MPEG ?");
    EXPECT_EQ(mp3.Layer(), "Layer ?");
    EXPECT_EQ(mp3.ChannelMode(), "Unknown");
    EXPECT_EQ(mp3.Emphasis(), "Unknown");
    EXPECT_EQ(mp3.Encoder(), "Unknown");
    EXPECT_EQ(mp3.BitRate(), 0);
    EXPECT_EQ(mp3.Frames(), 0);
    EXPECT_EQ(mp3.Duration(), 0);
    EXPECT_FALSE(mp3.ID3v1()->Exists());
    EXPECT_EQ(mp3.ID3v1()->Title(), "");
  }
}

TEST_F(MPEGaudioTest, XingHeaderGivesFramesDurationAndLameVersion) {
  TMPEGaudio mp3;
  ASSERT_TRUE(mp3.ReadFromFile(Write(XingFile(1000, 417000, "LAME3.93"))));
  ASSERT_TRUE(mp3.VBR()->Found);
  EXPECT_EQ(mp3.VBR()->IDValue(), "Xing");
  EXPECT_EQ(mp3.VBR()->Scale, 0x40);
  EXPECT_EQ(mp3.Frames(), 1000);
  EXPECT_DOUBLE_EQ(mp3.Duration(), 1000 * 144 * 8 / 44100.0);  // 26.12 s, whatever the size
  EXPECT_EQ(mp3.BitRate(), 128);                               // 417 * 44100 / 144 / 1000 = 127.7
  EXPECT_EQ(mp3.EncoderID(), 3);
  EXPECT_EQ(mp3.Encoder(), "LAME 3.93");
  EXPECT_EQ(GetPropText(mp3, "VBR"), "");  // a record renders as the empty text
  EXPECT_EQ(GetPropText(*GetPropObject(mp3, "VBR"), "Frames"), "1000");

  ASSERT_TRUE(mp3.ReadFromFile(Write(XingFile(1000, 417000, ""))));
  EXPECT_EQ(mp3.Encoder(), "Xing");
  ASSERT_TRUE(mp3.ReadFromFile(Write(XingFile(1000, 417000, "GOGO"))));
  EXPECT_EQ(mp3.Encoder(), "GoGo");
}

TEST_F(MPEGaudioTest, VbriHeaderMeansFhG) {
  Bytes first;
  // Version, delay, quality (the scale is its low byte), then bytes and frames.
  first.Raw(kHeader128).Zeros(32).Text("VBRI").Raw({0, 1, 0, 0x32, 0, 0x50});
  first.U32BE(41700).U32BE(100);
  first.Fill(kFrame128 - first.Size(), 0x55);
  TMPEGaudio mp3;
  ASSERT_TRUE(mp3.ReadFromFile(Write(first.Append(Frames(10)))));
  EXPECT_EQ(mp3.VBR()->IDValue(), "VBRI");
  EXPECT_EQ(mp3.VBR()->Scale, 0x50);
  EXPECT_EQ(mp3.VBR()->Bytes, 41700);
  EXPECT_EQ(mp3.Frames(), 100);
  EXPECT_EQ(mp3.EncoderID(), 2);
  EXPECT_EQ(mp3.Encoder(), "FhG");
}

TEST_F(MPEGaudioTest, LameSignatureNearTheEndOfAConstantRateFile) {
  // The text within the last 5 frame lengths before the ID3v1 tag.
  Bytes audio = Frames(20);
  Bytes file = Bytes().Append(std::vector<uint8_t>(audio.Data().begin(), audio.Data().end() - 300));
  file.Text("LAME3.93").Fill(292, 0x55).Append(ID3v1Title("T"));
  TMPEGaudio mp3;
  ASSERT_TRUE(mp3.ReadFromFile(Write(file)));
  EXPECT_FALSE(mp3.VBR()->Found);
  EXPECT_EQ(mp3.VendorID(), "LAME3.93");
  EXPECT_EQ(mp3.Encoder(), "LAME 3.93");
  EXPECT_EQ(mp3.Frames(), (20 * 417) / 417);  // the ID3v1 tag is left out of the audio
}

TEST_F(MPEGaudioTest, EncoderGuessFromHeaderBitsWithoutVbrHeader) {
  struct Case {
    std::initializer_list<uint8_t> header;
    size_t length;
    const char* encoder;
  };
  const Case cases[] = {
      {{0xFF, 0xFB, 0x90, 0x64}, 417, "FhG"},      // joint stereo, original, no CRC
      {{0xFF, 0xFA, 0x90, 0x64}, 417, "LAME"},     // original with CRC
      {{0xFF, 0xFB, 0x90, 0x04}, 417, "Blade"},    // stereo at 160 kbit/s or less
      {{0xFF, 0xFB, 0x90, 0x4C}, 417, "Xing"},     // copyright and original, no CRC
      {{0xFF, 0xFD, 0x90, 0x44}, 522, "QDesign"},  // Layer II, 160 kbit/s
      {{0xFF, 0xFA, 0x90, 0x84}, 417, "Shine"},    // dual channel with CRC
  };
  for (const Case& c : cases) {
    TMPEGaudio mp3;
    ASSERT_TRUE(mp3.ReadFromFile(Write(Frames(12, c.header, c.length))));
    ASSERT_TRUE(mp3.Frame().Found) << c.encoder;
    EXPECT_EQ(mp3.Encoder(), c.encoder);
  }
}

TEST_F(MPEGaudioTest, ShortFileWithAFrameKeepsItsTags) {
  // Two frames after a small ID3v2 tag: about 1 KB, far less than the 3458-byte end block.
  for (bool withID3v1 : {false, true}) {
    Bytes file = ID3v2Title("Tiny").Append(Frames(2));
    if (withID3v1) file.Append(ID3v1Title("Old"));
    ASSERT_LT(file.Size(), 3458u);
    const std::string path = Write(file);
    TMPEGaudio mp3;
    ASSERT_TRUE(mp3.ReadFromFile(path));
    EXPECT_TRUE(mp3.Frame().Found);
    EXPECT_EQ(mp3.ID3v2()->Title(), "Tiny");
    EXPECT_EQ(mp3.ID3v1()->Exists(), withID3v1);

    TsMediaTagReader reader;
    EXPECT_TRUE(reader.ReadTags(path));
    EXPECT_EQ(reader.GetTagValue("Title"), "Tiny");
  }
}

TEST_F(MPEGaudioTest, ShortEncoderMadeFileKeepsItsTitle) {
  const std::string wav = tagtest::MakeTone(dir, "short.wav", 0.03);
  const std::string mp3Path = dir.Path("short.mp3");
  ASSERT_TRUE(tagtest::Run("lame --quiet -b 128 --tt Tiny --add-id3v2 '" + wav + "' '" + mp3Path +
                           "'"));
  TMPEGaudio mp3;
  ASSERT_TRUE(mp3.ReadFromFile(mp3Path));
  EXPECT_LT(mp3.FileLength(), 3458);
  EXPECT_TRUE(mp3.Frame().Found);
  EXPECT_EQ(mp3.ID3v2()->Title(), "Tiny");
}

TEST_F(MPEGaudioTest, SizesAndPlacesOfSearch) {
  TMPEGaudio mp3;
  // Shorter than an ID3v1 tag: the ID3v1 read fails, so the file is rejected.
  EXPECT_FALSE(mp3.ReadFromFile(Write(Bytes().Fill(127, 0x55))));
  EXPECT_FALSE(mp3.ReadFromFile(dir.Path("missing.mp3")));

  // An ID3v2 header that claims more than the file: its Size is 0 and the search starts at 0.
  Bytes lying = Bytes().Text("ID3").Raw({3, 0, 0}).SyncSafe(1 << 20).Append(Frames(10));
  ASSERT_TRUE(mp3.ReadFromFile(Write(lying)));
  EXPECT_EQ(mp3.ID3v2()->Size(), 0);
  EXPECT_EQ(mp3.Frame().Position, 10);

  // Nothing in the first block: the second search starts halfway into the file.
  Bytes late = Bytes().Fill(8000, 0x11).Append(Frames(30));
  ASSERT_TRUE(mp3.ReadFromFile(Write(late)));
  EXPECT_TRUE(mp3.Frame().Found);
  // Its Position counts from the start of that block: the first frame at or after the middle.
  const size_t middle = late.Size() / 2;
  const size_t frameAfter = 8000 + (middle - 8000 + kFrame128 - 1) / kFrame128 * kFrame128;
  EXPECT_EQ(size_t(mp3.Frame().Position), frameAfter - middle);
}

namespace {

struct EncodedCase {
  const char* name;
  const char* command;  // %in and %out are replaced
  const char* version;
  const char* layer;
};

}  // namespace

// Encoder-made files of every kind against ffprobe. The durations are estimates from the first
// frame (constant rate: the whole audio size at the table bit rate; Xing: frame count times
// samples per frame), so they may differ from ffprobe's by the encoder's added frames: 2 %.
TEST_F(MPEGaudioTest, EncoderMadeFilesAgreeWithFfprobe) {
  const EncodedCase cases[] = {
      {"cbr.mp3", "lame --quiet -b 128 %in %out", "MPEG 1", "Layer III"},
      {"vbr.mp3", "lame --quiet -V 2 %in %out", "MPEG 1", "Layer III"},
      {"mono.mp3", "lame --quiet -m m -b 64 %in %out", "MPEG 1", "Layer III"},
      {"mpeg2.mp3", "lame --quiet --resample 22.05 -b 64 %in %out", "MPEG 2", "Layer III"},
      {"mpeg25.mp3", "lame --quiet --resample 8 -b 16 %in %out", "MPEG 2.5", "Layer III"},
      {"layer2.mp2", "ffmpeg -nostdin -loglevel error -y -i %in -c:a mp2 -b:a 192k %out", "MPEG 1",
       "Layer II"},
  };
  const std::string wav = tagtest::MakeTone(dir, "tone.wav", 5.0);
  const std::string monoWav = tagtest::MakeTone(dir, "mono.wav", 5.0, 1);
  for (const EncodedCase& c : cases) {
    std::string command = c.command;
    const std::string in = "'" + (std::string(c.name) == "mono.mp3" ? monoWav : wav) + "'";
    command.replace(command.find("%in"), 3, in);
    const std::string out = dir.Path(c.name);
    command.replace(command.find("%out"), 4, "'" + out + "'");
    ASSERT_TRUE(tagtest::Run(command)) << command;
    const tagtest::Probe probe = tagtest::FFprobe(out);
    TMPEGaudio mp3;
    ASSERT_TRUE(mp3.ReadFromFile(out)) << c.name;
    EXPECT_TRUE(mp3.Valid()) << c.name;
    EXPECT_EQ(mp3.Version(), c.version) << c.name;
    EXPECT_EQ(mp3.Layer(), c.layer) << c.name;
    EXPECT_EQ(mp3.SampleRate(), probe.SampleRate) << c.name;
    EXPECT_EQ(mp3.ChannelMode() == "Mono", probe.Channels == 1) << c.name;
    EXPECT_NEAR(mp3.Duration(), probe.Duration, probe.Duration * 0.02) << c.name;
  }
}

// lame and ffmpeg files through the front-end, as orvane-tags reads them: ID3v2.3 in UTF-16 and
// in Latin-1, ID3v1 alone, and ffmpeg's ID3v2.4, whose text is all UTF-8.
TEST_F(MPEGaudioTest, EncoderMadeTagsThroughTheFrontEnd) {
  const std::string wav = tagtest::MakeTone(dir, "tone.wav", 1.0);
  auto quoted = [](const std::string& s) { return "'" + s + "'"; };
  struct Case {
    std::string file, command, title, artist;
  };
  const std::string v23 = dir.Path("v23.mp3"), latin1 = dir.Path("latin1.mp3");
  const std::string v1 = dir.Path("v1.mp3"), v24 = dir.Path("v24.mp3");
  const Case cases[] = {
      {v23,
       "lame --quiet --tt '夜明けの歌' --ta 'Beyoncé' --add-id3v2 " + quoted(wav) + " " + quoted(v23),
       "夜明けの歌", "Beyoncé"},
      {latin1,
       "lame --quiet --id3v2-only --tt Morning --ta Band " + quoted(wav) + " " + quoted(latin1),
       "Morning", "Band"},
      {v1, "lame --quiet --id3v1-only --tt 'Old Title' --ta 'Old Artist' " + quoted(wav) + " " +
       quoted(v1), "Old Title", "Old Artist"},
      {v24, "ffmpeg -nostdin -loglevel error -y -i " + quoted(v23) + " -map_metadata -1 -c copy"
       " -id3v2_version 4 -write_id3v1 1 -metadata title=Four -metadata artist=Quartet " +
           quoted(v24),
       "Four", "Quartet"},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(tagtest::Run(c.command)) << c.command;
    TsMediaTagReader reader;
    ASSERT_TRUE(reader.ReadTags(c.file));
    EXPECT_EQ(reader.GetTagValue("Title"), c.title) << c.file;
    EXPECT_EQ(reader.GetTagValue("Artist"), c.artist) << c.file;
    EXPECT_EQ(reader.GetTagValue("Layer"), "Layer III");
  }
  TMPEGaudio mp3;
  ASSERT_TRUE(mp3.ReadFromFile(v24));
  EXPECT_EQ(mp3.ID3v2()->VersionID(), 4);
  EXPECT_EQ(mp3.ID3v2()->Title(), "Four");  // ffmpeg's version-4 text is UTF-8
  EXPECT_TRUE(mp3.ID3v1()->Exists());
  ASSERT_TRUE(mp3.ReadFromFile(v1));
  EXPECT_FALSE(mp3.ID3v2()->Exists());
}

// An ID3v2.4 tag in UTF-16, with a comment of 300 bytes before the title (its size stored 7 bits
// per byte), in front of lame's audio: the title and artist reach the front-end.
TEST_F(MPEGaudioTest, ID3v24TagInFrontOfEncodedAudio) {
  const std::string wav = tagtest::MakeTone(dir, "tone.wav", 1.0);
  const std::string bare = dir.Path("bare.mp3");
  ASSERT_TRUE(tagtest::Run("lame --quiet -b 128 '" + wav + "' '" + bare + "'"));
  std::ifstream in(bare, std::ios::binary);
  const std::vector<uint8_t> audio((std::istreambuf_iterator<char>(in)), {});

  auto frame = [](std::string_view id, const Bytes& data) {
    return Bytes().Text(id).SyncSafe(uint32_t(data.Size())).Raw({0, 0}).Append(data);
  };
  const Bytes frames = Bytes()
      .Append(frame("COMM", Bytes().Raw({0}).Text("eng").Raw({0}).Fill(295, 'c')))
      .Append(frame("TIT2", Bytes().Raw({1, 0xFF, 0xFE}).Utf16LE(u"夜明けの歌")))
      .Append(frame("TPE1", Bytes().Raw({0}).Text("Band")));
  const Bytes file = Bytes().Text("ID3").Raw({4, 0, 0}).SyncSafe(uint32_t(frames.Size()))
      .Append(frames).Append(audio);
  TsMediaTagReader reader;
  ASSERT_TRUE(reader.ReadTags(Write(file)));
  EXPECT_EQ(reader.GetTagValue("Title"), "夜明けの歌");
  EXPECT_EQ(reader.GetTagValue("Artist"), "Band");
  EXPECT_EQ(reader.GetTagValue("Valid"), "True");
}
