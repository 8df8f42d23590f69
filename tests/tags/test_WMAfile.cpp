// TWMAfile: ASF header objects, from ffmpeg-made files and from hand-built headers.

#include "tags/WMAfile.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <filesystem>

#include "TagFixtures.h"
#include "tags/sMediaTagReader.h"

namespace {

using tagtest::Bytes;

using TGuidBytes = std::initializer_list<uint8_t>;
const TGuidBytes kHeaderGuid = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
const TGuidBytes kFilePropsGuid = {0xA1, 0xDC, 0xAB, 0x8C, 0x47, 0xA9, 0xCF, 0x11,
                                   0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
const TGuidBytes kStreamPropsGuid = {0x91, 0x07, 0xDC, 0xB7, 0xB7, 0xA9, 0xCF, 0x11,
                                     0x8E, 0xE6, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
const TGuidBytes kContentGuid = {0x33, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                 0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
const TGuidBytes kExtContentGuid = {0x40, 0xA4, 0xD0, 0xD2, 0x07, 0xE3, 0xD2, 0x11,
                                    0x97, 0xF0, 0x00, 0xA0, 0xC9, 0x5E, 0xA8, 0x50};

Bytes& U16(Bytes& b, uint16_t v) { return b.Raw({uint8_t(v), uint8_t(v >> 8)}); }

// An object: GUID, 64-bit size (header included), body.
Bytes Object(TGuidBytes guid, const Bytes& body) {
  Bytes b;
  b.Raw(guid).U32LE(uint32_t(24 + body.Size())).U32LE(0).Append(body);
  return b;
}

// The header object: GUID, size, object count, two reserved bytes, the objects.
Bytes Header(std::initializer_list<Bytes> objects, uint32_t count = 0xFFFFFFFF) {
  Bytes inner;
  for (const Bytes& o : objects) inner.Append(o);
  Bytes b;
  b.Raw(kHeaderGuid).U32LE(uint32_t(30 + inner.Size())).U32LE(0);
  b.U32LE(count == 0xFFFFFFFF ? uint32_t(objects.size()) : count).Raw({1, 2}).Append(inner);
  return b;
}

// Play duration (100 ns units) at object offset 64, preroll (ms) at 80, maximum bit rate at 100.
Bytes FileProperties(uint32_t maxBitRate, uint64_t playDuration = 0, uint32_t prerollMs = 0) {
  Bytes body;
  body.Zeros(64 - 24).U32LE(uint32_t(playDuration)).U32LE(uint32_t(playDuration >> 32));
  body.Zeros(8).U32LE(prerollMs).U32LE(0).Zeros(12).U32LE(maxBitRate);
  return Object(kFilePropsGuid, body);
}

Bytes StreamProperties(uint16_t channels, uint32_t sampleRate, uint32_t byteRate) {
  Bytes body;
  body.Zeros(80 - 24);  // stream type, error correction, offsets, lengths, flags
  U16(body, channels).U32LE(sampleRate).U32LE(byteRate).Zeros(8);
  return Object(kStreamPropsGuid, body);
}

// Counted strings as writers store them: UTF-16 with a terminating zero unit.
Bytes Wide(std::u16string_view s) {
  Bytes b;
  b.Utf16LE(s).Raw({0, 0});
  return b;
}

Bytes ContentDescription(std::u16string_view title, std::u16string_view author,
                         std::u16string_view description = u"") {
  const std::array<std::u16string_view, 5> texts = {title, author, u"(c)", description, u""};
  Bytes body;
  for (auto t : texts) U16(body, uint16_t(t.empty() ? 0 : 2 * t.size() + 2));
  for (auto t : texts) {
    if (!t.empty()) body.Append(Wide(t));
  }
  return Object(kContentGuid, body);
}

struct TDescriptor {
  std::u16string name;
  uint16_t type;
  Bytes value;
};

Bytes ExtendedContent(std::initializer_list<TDescriptor> descriptors) {
  Bytes body;
  U16(body, uint16_t(descriptors.size()));
  for (const TDescriptor& d : descriptors) {
    const Bytes name = Wide(d.name);
    U16(body, uint16_t(name.Size())).Append(name);
    U16(body, d.type);
    U16(body, uint16_t(d.value.Size())).Append(d.value);
  }
  return Object(kExtContentGuid, body);
}

TDescriptor Text(std::u16string name, std::u16string_view value) {
  return {std::move(name), 0, Wide(value)};
}

std::string Ansi(const std::u16string& s) { return std::string(s.begin(), s.end()); }

class WMAfileTest : public ::testing::Test {
 protected:
  std::string Write(const Bytes& b, const std::string& name = "x.wma") {
    return tagtest::WriteFile(dir.Path(name), b);
  }
  tagtest::TempDir dir;
  TWMAfile wma;
};

TEST_F(WMAfileTest, FfmpegWmaGivesItsMetadataAndStream) {
  const std::string path = dir.Path("song.wma");
  ASSERT_TRUE(tagtest::Run(
      "ffmpeg -nostdin -loglevel error -y -f lavfi -i sine=frequency=440:duration=2 -ac 2 "
      "-c:a wmav2 -b:a 128k -metadata title='Blue Train' -metadata artist='J. Coltrane' "
      "-metadata album='Blue Train LP' -metadata track=3 '" + path + "'"));
  ASSERT_TRUE(wma.ReadFromFile(path));
  EXPECT_TRUE(wma.Valid());
  EXPECT_EQ(Ansi(wma.Title()), "Blue Train");
  EXPECT_EQ(Ansi(wma.Artist()), "J. Coltrane");
  EXPECT_EQ(Ansi(wma.Album()), "Blue Train LP");
  EXPECT_EQ(wma.Track(), 3);
  EXPECT_EQ(wma.SampleRate(), 44100);
  EXPECT_EQ(wma.ChannelMode(), "Stereo");
  EXPECT_EQ(wma.BitRate(), 128);
  EXPECT_NEAR(wma.Duration(), 2.0, 0.05);  // the play duration less the preroll

  TsMediaTagReader reader;
  ASSERT_TRUE(reader.ReadTags(path));
  EXPECT_EQ(reader.GetTagValue("title"), "Blue Train");
  EXPECT_EQ(reader.GetTagValue("Artist"), "J. Coltrane");
}

// A video's maximum bit rate is far above any audio file's: the stream numbers fail the
// checks, yet the play list still shows the video's title.
TEST_F(WMAfileTest, FfmpegWmvShowsItsTitleThoughItsStreamFailsTheAudioChecks) {
  const std::string path = dir.Path("clip.wmv");
  ASSERT_TRUE(tagtest::Run(
      "ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc=duration=1:size=160x120:rate=10 "
      "-f lavfi -i sine=duration=1 -c:v wmv2 -b:v 400k -c:a wmav2 -metadata title='Holiday 2004' "
      "-metadata artist='Family' '" + path + "'"));
  ASSERT_TRUE(wma.ReadFromFile(path));
  EXPECT_FALSE(wma.Valid());
  EXPECT_EQ(wma.Duration(), 0);
  EXPECT_EQ(Ansi(wma.Title()), "Holiday 2004");

  TsMediaTagReader reader;  // no pattern matches *.wmv: TWMAfile is the first reader tried
  reader.ReadTags(path);
  EXPECT_EQ(reader.GetTagValue("Title"), "Holiday 2004");
  EXPECT_EQ(reader.GetTagValue("Artist"), "Family");
}

TEST_F(WMAfileTest, BothDescriptionsFillTheirFields) {
  ASSERT_TRUE(wma.ReadFromFile(Write(Header({
      FileProperties(128000), StreamProperties(2, 44100, 16000),
      ContentDescription(u"  Title  ", u"Author", u"Notes"),
      ExtendedContent({Text(u"WM/AlbumTitle", u"Album"), Text(u"WM/TRACK", u" 7 "),
                       Text(u"WM/Year", u"1999"), Text(u"WM/Genre", u"Jazz")}),
  }))));
  EXPECT_TRUE(wma.Valid());
  EXPECT_EQ(Ansi(wma.Title()), "Title");
  EXPECT_EQ(Ansi(wma.Artist()), "Author");
  EXPECT_EQ(Ansi(wma.Comment()), "Notes");
  EXPECT_EQ(Ansi(wma.Album()), "Album");
  EXPECT_EQ(wma.Track(), 7);
  EXPECT_EQ(Ansi(wma.Year()), "1999");
  EXPECT_EQ(Ansi(wma.Genre()), "Jazz");
}

TEST_F(WMAfileTest, DescriptorsMatchByNameInAnyCaseAndALaterObjectWins) {
  ASSERT_TRUE(wma.ReadFromFile(Write(Header({
      FileProperties(128000), StreamProperties(2, 44100, 16000),
      ContentDescription(u"First", u"Artist"),
      ExtendedContent({Text(u" wm/title ", u"Second")}),
  }))));
  EXPECT_EQ(Ansi(wma.Title()), "Second");
  EXPECT_EQ(Ansi(wma.Artist()), "Artist");
}

TEST_F(WMAfileTest, TrackNumberWinsOverTheOlderTrackAttribute) {
  ASSERT_TRUE(wma.ReadFromFile(Write(Header({
      ExtendedContent({Text(u"WM/TrackNumber", u"5"), Text(u"WM/Track", u"4")}),
  }))));
  EXPECT_EQ(wma.Track(), 5);
}

TEST_F(WMAfileTest, NonTextDescriptorsAreSkippedWhole) {
  Bytes number;
  number.U32LE(7);
  ASSERT_TRUE(wma.ReadFromFile(Write(Header({
      FileProperties(128000), StreamProperties(2, 44100, 16000),
      ExtendedContent({{u"WM/TRACK", 3, number}, Text(u"WM/AlbumTitle", u"After")}),
  }))));
  EXPECT_EQ(wma.Track(), 0);
  EXPECT_EQ(Ansi(wma.Album()), "After");
}

TEST_F(WMAfileTest, LongStringsAreCutAndTheNextFieldIsReadInPlace) {
  const std::u16string longTitle(300, u'x');
  ASSERT_TRUE(wma.ReadFromFile(Write(Header({
      FileProperties(128000), StreamProperties(2, 44100, 16000),
      ContentDescription(longTitle, u"Next"),
      ExtendedContent({Text(u"WM/Genre", longTitle), Text(u"WM/Year", u"2001")}),
  }))));
  EXPECT_EQ(wma.Title(), std::u16string(250, u'x'));
  EXPECT_EQ(Ansi(wma.Artist()), "Next");
  EXPECT_EQ(wma.Genre(), std::u16string(250, u'x'));
  EXPECT_EQ(Ansi(wma.Year()), "2001");
}

TEST_F(WMAfileTest, DurationAndBitRateComeFromTheFileAndStreamProperties) {
  const struct {
    uint64_t playDuration;
    uint32_t prerollMs;
    double seconds;
  } cases[] = {
      {2'031'000'000, 3100, 200},  // 203.1 s played, of which 3.1 s preroll
      {0, 3100, 250},              // no play duration: 4,000,000 bytes at 128,000 bit/s
      {20'000'000, 3100, 250},     // a preroll longer than the play: no duration either
  };
  for (const auto& c : cases) {
    const std::string path = Write(Header(
        {FileProperties(128000, c.playDuration, c.prerollMs), StreamProperties(2, 44100, 16000)}));
    std::filesystem::resize_file(path, 4000000);
    ASSERT_TRUE(wma.ReadFromFile(path));
    EXPECT_EQ(wma.FileSize(), 4000000);
    EXPECT_DOUBLE_EQ(wma.Duration(), c.seconds) << c.playDuration;
    EXPECT_EQ(wma.BitRate(), 128);
  }
}

TEST_F(WMAfileTest, StreamChecks) {
  ASSERT_TRUE(
      wma.ReadFromFile(Write(Header({FileProperties(64000), StreamProperties(1, 48000, 8000)}))));
  EXPECT_TRUE(wma.Valid());
  EXPECT_EQ(wma.ChannelMode(), "Mono");
  EXPECT_EQ(wma.SampleRate(), 48000);

  ASSERT_TRUE(wma.ReadFromFile(Write(Header({FileProperties(64000),
                                             StreamProperties(6, 48000, 8000),
                                             ContentDescription(u"Six", u"")}))));
  EXPECT_FALSE(wma.Valid());
  EXPECT_EQ(wma.SampleRate(), 0);
  EXPECT_EQ(Ansi(wma.Title()), "Six");
}

TEST_F(WMAfileTest, OtherFilesAreAcceptedEmptyShortOnesRejected) {
  ASSERT_TRUE(wma.ReadFromFile(Write(Bytes().Text("just some text, not a media file\n"), "a.txt")));
  EXPECT_FALSE(wma.Valid());
  EXPECT_TRUE(wma.Title().empty());
  EXPECT_FALSE(wma.ReadFromFile(Write(Bytes().Text("short"), "b.txt")));
  EXPECT_FALSE(wma.ReadFromFile(dir.Path("missing.wma")));
}

TEST_F(WMAfileTest, AHeaderThatEndsInsideAStringFails) {
  Bytes cut = Header({FileProperties(128000), ContentDescription(u"A title that is cut", u"")});
  std::vector<uint8_t> bytes = cut.Data();
  bytes.resize(bytes.size() - 10);
  EXPECT_FALSE(wma.ReadFromFile(tagtest::WriteFile(dir.Path("cut.wma"), bytes)));
  EXPECT_TRUE(wma.Title().empty());
}

// Hostile counts end quickly: a negative count walks nothing; a huge one stops at an object
// of size 0 (here the zeros of a large sparse tail) instead of handling it 2^31 times.
TEST_F(WMAfileTest, HostileObjectCountsEndQuickly) {
  ASSERT_TRUE(wma.ReadFromFile(Write(Header({ContentDescription(u"T", u"")}, 0x80000000u))));
  EXPECT_TRUE(wma.Title().empty());

  const std::string path = Write(Header({ContentDescription(u"Kept", u"")}, 0x7FFFFFFFu));
  std::filesystem::resize_file(path, int64_t{1} << 30);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(wma.ReadFromFile(path));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(Ansi(wma.Title()), "Kept");
}

}  // namespace
