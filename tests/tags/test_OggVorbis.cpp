#include "tags/OggVorbis.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <vector>

#include "EncodedFixtures.h"
#include "platform/CodePage.h"
#include "tags/sMediaTagReader.h"

using tagtest::Bytes;
using tagtest::TempDir;

namespace {

// An Ogg page: capture pattern, version, header type, granule position, serial, sequence,
// checksum (never checked by the reader), segment table, payload.
Bytes Page(uint64_t granule, const Bytes& payload) {
  Bytes page;
  page.Text("OggS").Raw({0, 0}).U32LE(uint32_t(granule)).U32LE(uint32_t(granule >> 32));
  page.U32LE(0x1234).U32LE(0).U32LE(0);
  size_t left = payload.Size();
  std::vector<uint8_t> lacing;
  do {
    lacing.push_back(uint8_t(left < 255 ? left : 255));
    left -= lacing.back();
  } while (lacing.back() == 255);
  page.Raw({uint8_t(lacing.size())}).Append(lacing);
  return page.Append(payload);
}

// The 30-byte identification header.
Bytes Ident(uint8_t channels, uint32_t sampleRate, int32_t nominalBitRate) {
  return Bytes().Raw({1}).Text("vorbis").U32LE(0).Raw({channels}).U32LE(sampleRate).U32LE(0)
      .U32LE(uint32_t(nominalBitRate)).U32LE(0).Raw({0xB8, 1});
}

Bytes String(std::string_view s) { return Bytes().U32LE(uint32_t(s.size())).Text(s); }

// The comment header; count is the stored comment count, the number of strings by default.
Bytes Comments(const std::vector<std::string>& comments, std::string_view vendor = "Test vendor",
               int64_t count = -1) {
  Bytes b = Bytes().Raw({3}).Text("vorbis").Append(String(vendor));
  b.U32LE(count < 0 ? uint32_t(comments.size()) : uint32_t(count));
  for (const std::string& c : comments) b.Append(String(c));
  return b.Raw({1});
}

// Identification page, comment page, one audio page ending at the given granule position.
Bytes OggFile(const Bytes& comments, uint64_t lastGranule = 88200, uint8_t channels = 2,
              uint32_t sampleRate = 44100) {
  return Page(0, Ident(channels, sampleRate, 128000))
      .Append(Page(0, comments))
      .Append(Page(lastGranule, Bytes().Fill(4000, 0x5A)));
}

class OggVorbisTest : public ::testing::Test {
 protected:
  TOggVorbis Read(const Bytes& file) {
    TOggVorbis ogg;
    EXPECT_TRUE(ogg.ReadFromFile(tagtest::WriteFile(dir.Path("a.ogg"), file)));
    return ogg;
  }
  TempDir dir;
};

}  // namespace

TEST_F(OggVorbisTest, HeadersCommentsAndLastPage) {
  const Bytes file = OggFile(Comments({"TITLE=First", "PERFORMER=Singer", "title=Second",
                                       "ALBUM= Album ", "TRACKNUMBER=3/12", "DATE=2004",
                                       "GENRE=Pop", "DESCRIPTION=About", "NOEQUALS"}));
  const TOggVorbis ogg = Read(file);
  EXPECT_EQ(ogg.FileSize(), int32_t(file.Size()));
  EXPECT_EQ(ogg.ChannelModeID(), 2);
  EXPECT_EQ(ogg.ChannelMode(), "Stereo");
  EXPECT_EQ(ogg.SampleRate(), 44100);
  EXPECT_EQ(ogg.BitRateNominal(), 128);
  EXPECT_EQ(ogg.Title(), "Second");  // lower-case names match; the later comment wins
  EXPECT_EQ(ogg.Artist(), "Singer");  // no ARTIST: the performer
  EXPECT_EQ(ogg.Album(), "Album");
  EXPECT_EQ(ogg.Track(), 3);
  EXPECT_EQ(ogg.Date(), "2004");
  EXPECT_EQ(ogg.Genre(), "Pop");
  EXPECT_EQ(ogg.Comment(), "About");
  EXPECT_EQ(ogg.Vendor(), "Test vendor");
  EXPECT_EQ(ogg.SampleCount(), 88200);
  EXPECT_DOUBLE_EQ(ogg.Duration(), 2.0);
  EXPECT_EQ(ogg.BitRate(), uint16_t(std::nearbyint(file.Size() / 2.0 / 125)));
  EXPECT_FALSE(ogg.ID3v2());
  EXPECT_TRUE(ogg.Valid());
  EXPECT_EQ(GetPropText(ogg, "ID3v2"), "False");
  EXPECT_EQ(GetPropObject(ogg, "ID3v2"), nullptr);  // a Boolean, not a tag object
}

TEST_F(OggVorbisTest, TrackNumbersAndSampleRates) {
  EXPECT_EQ(Read(OggFile(Comments({"TRACKNUMBER=x"}))).Track(), 0);
  EXPECT_EQ(Read(OggFile(Comments({"TRACKNUMBER=300"}))).Track(), 44);  // modulo 256
  EXPECT_EQ(Read(OggFile(Comments({}), 48000, 2, 48000)).SampleRate(), 48000);
  EXPECT_EQ(Read(OggFile(Comments({}), 96000, 2, 96000)).SampleRate(), 30464);  // low 16 bits
  EXPECT_EQ(Read(OggFile(Comments({}), 96000, 6)).ChannelMode(), "Unknown");
}

TEST_F(OggVorbisTest, LastPageOutOfReachFallsBackToTheNominalRate) {
  Bytes file = OggFile(Comments({"TITLE=t"}));
  file.Fill(13000, 0x20);
  const TOggVorbis ogg = Read(file);
  EXPECT_EQ(ogg.SampleCount(), 0);
  EXPECT_DOUBLE_EQ(ogg.Duration(), double(file.Size()) / 128 / 2 / 125 * 2);
}

TEST_F(OggVorbisTest, ID3v2TagInFrontIsSkippedBySize) {
  // Size bytes giving 990: the stream starts at 1000, or at 1010 with the footer flag.
  for (uint8_t flags : {0x00, 0x10}) {
    const size_t start = flags ? 1010 : 1000;
    Bytes file = Bytes().Text("ID3").Raw({4, 0, flags, 0, 0, 7, 94});
    file.Zeros(start - file.Size()).Append(OggFile(Comments({"TITLE=After tag"})));
    const TOggVorbis ogg = Read(file);
    EXPECT_TRUE(ogg.ID3v2());
    EXPECT_EQ(ogg.ID3v2Size(), int32_t(start));
    EXPECT_EQ(ogg.Title(), "After tag");
  }
  // Size bytes 07 DE add up to 7 * 128 + 222 = 1118 (OR-ed they would give 990).
  Bytes carry = Bytes().Text("ID3").Raw({3, 0, 0, 0, 0, 7, 0xDE});
  carry.Zeros(1128 - carry.Size()).Append(OggFile(Comments({"TITLE=Carried"})));
  const TOggVorbis ogg = Read(carry);
  EXPECT_EQ(ogg.ID3v2Size(), 1128);
  EXPECT_EQ(ogg.Title(), "Carried");
}

TEST_F(OggVorbisTest, RejectsWhatIsNotVorbis) {
  TOggVorbis ogg;
  EXPECT_FALSE(ogg.ReadFromFile(tagtest::WriteFile(dir.Path("x.ogg"), Bytes().Fill(500, 0x41))));
  EXPECT_EQ(ogg.FileSize(), 0);
  EXPECT_EQ(ogg.ChannelMode(), "Unknown");
  EXPECT_FALSE(ogg.Valid());
  Bytes opus = Page(0, Bytes().Text("OpusHead").Zeros(11));
  EXPECT_FALSE(ogg.ReadFromFile(tagtest::WriteFile(dir.Path("o.ogg"), opus)));
  EXPECT_FALSE(ogg.ReadFromFile(dir.Path("missing.ogg")));
}

TEST_F(OggVorbisTest, ShortStreamIsReadButNotValid) {
  // One channel, 0.05 s.
  const TOggVorbis ogg = Read(OggFile(Comments({}), 2205, 1));
  EXPECT_EQ(ogg.ChannelMode(), "Mono");
  EXPECT_DOUBLE_EQ(ogg.Duration(), 0.05);
  EXPECT_FALSE(ogg.Valid());
}

TEST_F(OggVorbisTest, MissingCommentHeaderLeavesTextsEmpty) {
  const Bytes file = Page(0, Ident(2, 44100, 128000)).Append(Page(44100, Bytes().Fill(500, 1)));
  const TOggVorbis ogg = Read(file);
  EXPECT_EQ(ogg.Title(), "");
  EXPECT_EQ(ogg.Vendor(), "");
  EXPECT_DOUBLE_EQ(ogg.Duration(), 1.0);
}

TEST_F(OggVorbisTest, LyingCountsAndLengthsEndAtTheEndOfTheFile) {
  // A count of 2^32 - 1 with two strings present: both are read and the walk ends.
  const auto start = std::chrono::steady_clock::now();
  const Bytes lyingComments = Comments({"TITLE=a", "ARTIST=b"}, "v", 0xFFFFFFFF);
  const TOggVorbis lying = Read(Page(0, Ident(2, 44100, 128000)).Append(Page(0, lyingComments)));
  EXPECT_EQ(lying.Title(), "a");
  EXPECT_EQ(lying.Artist(), "b");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));

  // A length with the top bit set is longer than 250: the first 250 bytes are taken, and the
  // jump past it ends the walk.
  Bytes comments = Bytes().Raw({3}).Text("vorbis").Append(String("v")).U32LE(2);
  comments.U32LE(0x80000010u).Text("TITLE=Top").Zeros(300);
  const TOggVorbis top = Read(Page(0, Ident(2, 44100, 128000)).Append(Page(0, comments)));
  EXPECT_EQ(top.Title(), "Top");

  // Hundreds of thousands of claimed empty strings in a file are followed only so far.
  Bytes many = Bytes().Raw({3}).Text("vorbis").Append(String("v")).U32LE(300000);
  many.Zeros(4 * 300000);
  const auto t0 = std::chrono::steady_clock::now();
  Read(Page(0, Ident(2, 44100, 128000)).Append(many));
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(20));
}

TEST_F(OggVorbisTest, CommentTextIsDecodedFromUtf8) {
  EXPECT_EQ(VorbisCommentText("夜明けの歌"), "夜明けの歌");
  EXPECT_EQ(VorbisCommentText("Beyonc\xC3\xA9"), "Beyoncé");
  EXPECT_EQ(VorbisCommentText("smile \xF0\x9F\x98\x80"), "smile \xF0\x9F\x98\x80");
  EXPECT_EQ(VorbisCommentText("ab\xE3\x81"), "ab");         // cut inside a sequence
  EXPECT_EQ(VorbisCommentText("ab\xC3" "cd"), "ab");        // broken follower: stops there
  platform::SetACP(platform::TCodePage::ShiftJis);
  EXPECT_EQ(VorbisCommentText("夜"), "\x96\xE9");
  platform::SetACP(platform::TCodePage::Utf8);
}

// oggenc and vorbiscomment files through the front-end, as orvane-tags reads them, and their
// stream properties against ffprobe. The duration is the last granule position over the rate:
// exact but for ffprobe's rounding.
TEST_F(OggVorbisTest, EncoderMadeFilesThroughTheFrontEnd) {
  const std::string stereo = tagtest::MakeTone(dir, "stereo.wav", 3.0);
  const std::string mono = tagtest::MakeTone(dir, "mono.wav", 2.0, 1, 48000);
  const std::string a = dir.Path("a.ogg"), b = dir.Path("b.ogg");
  ASSERT_TRUE(
      tagtest::Run("oggenc -Q -t '夜明けの歌' -a 'Beyoncé' -o '" + a + "' '" + stereo + "'"));
  ASSERT_TRUE(tagtest::Run("oggenc -Q -o '" + b + "' '" + mono + "'"));
  ASSERT_TRUE(tagtest::Run("vorbiscomment -w -t 'TITLE=Only performer' -t 'PERFORMER=Orchestra' '" +
                           b + "'"));

  TsMediaTagReader reader;
  ASSERT_TRUE(reader.ReadTags(a));
  EXPECT_EQ(reader.GetTagValue("Title"), "夜明けの歌");
  EXPECT_EQ(reader.GetTagValue("artist"), "Beyoncé");
  ASSERT_TRUE(reader.ReadTags(b));
  EXPECT_EQ(reader.GetTagValue("Title"), "Only performer");
  EXPECT_EQ(reader.GetTagValue("Artist"), "Orchestra");

  for (const std::string& path : {a, b}) {
    const tagtest::Probe probe = tagtest::FFprobe(path);
    TOggVorbis ogg;
    ASSERT_TRUE(ogg.ReadFromFile(path));
    EXPECT_TRUE(ogg.Valid());
    EXPECT_EQ(ogg.SampleRate(), probe.SampleRate);
    EXPECT_EQ(ogg.ChannelModeID(), probe.Channels);
    EXPECT_NEAR(ogg.Duration(), probe.Duration, 0.001);
    EXPECT_NE(ogg.Vendor().find("Xiph.Org"), std::string::npos);
  }
}
