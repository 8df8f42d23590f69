#include "tags/ID3v2.h"

#include <gtest/gtest.h>

#include "TagFixtures.h"
#include "platform/CodePage.h"

using tagtest::Bytes;
using tagtest::TempDir;

namespace {

// "ID3", version, revision 0, flags, size: the 10-byte tag header.
Bytes Header(uint8_t version, uint8_t flags, uint32_t sizeBytes) {
  return Bytes().Text("ID3").Raw({version, 0, flags}).SyncSafe(sizeBytes);
}

// A version-3 frame: identifier, plain 32-bit size, two flag bytes, data.
Bytes FrameV3(std::string_view id, const Bytes& data, uint8_t flags2 = 0) {
  return Bytes().Text(id).U32BE(uint32_t(data.Size())).Raw({0, flags2}).Append(data);
}

// A version-4 frame: identifier, size 7 bits per byte, two flag bytes, data.
Bytes FrameV4(std::string_view id, const Bytes& data) {
  return Bytes().Text(id).SyncSafe(uint32_t(data.Size())).Raw({0, 0}).Append(data);
}

// A version-2 frame: 3-byte identifier, 3-byte size, data.
Bytes FrameV2(std::string_view id, const Bytes& data) {
  return Bytes().Text(id).U24BE(uint32_t(data.Size())).Append(data);
}

Bytes Latin1(std::string_view text) { return Bytes().Raw({0}).Text(text); }

// A whole file: header sized to the frames plus padding, then some audio-like bytes.
Bytes Tag(uint8_t version, const Bytes& frames, size_t paddingBytes = 16) {
  return Header(version, 0, uint32_t(frames.Size() + paddingBytes))
      .Append(frames)
      .Zeros(paddingBytes)
      .Fill(64, 0x55);
}

class ID3v2Test : public ::testing::Test {
 protected:
  TID3v2 Read(const Bytes& file) {
    TID3v2 tag;
    EXPECT_TRUE(tag.ReadFromFile(tagtest::WriteFile(dir.Path("t.mp3"), file)));
    return tag;
  }
  TempDir dir;
};

}  // namespace

TEST_F(ID3v2Test, HeaderSizeCountsHeaderAndFooterAndMustFitTheFile) {
  // Size bytes 00 00 02 01: 2 * 128 + 1 + 10 = 267; the footer flag adds 10 more.
  const Bytes body = Bytes().Zeros(300);
  TID3v2 plain = Read(Bytes().Text("ID3").Raw({3, 0, 0x00, 0, 0, 2, 1}).Append(body));
  EXPECT_TRUE(plain.Exists());
  EXPECT_EQ(plain.VersionID(), 3);
  EXPECT_EQ(plain.Size(), 267);
  TID3v2 footer = Read(Bytes().Text("ID3").Raw({3, 0, 0x10, 0, 0, 2, 1}).Append(body));
  EXPECT_EQ(footer.Size(), 277);
  // A file shorter than the tag: Size 0, no frame read, but the header was there.
  TID3v2 cut = Read(
      Bytes().Text("ID3").Raw({3, 0, 0, 0, 0, 2, 1}).Append(FrameV3("TIT2", Latin1("x"))));
  EXPECT_TRUE(cut.Exists());
  EXPECT_EQ(cut.Size(), 0);
  EXPECT_EQ(cut.Title(), "");
  // The size bytes are added, not OR-ed: 01 9D is 128 + 157, so the tag ends at 295 (OR-ed it
  // would end at 167, in the middle of the tag, and the audio would be looked for there).
  TID3v2 carry = Read(Bytes().Text("ID3").Raw({3, 0, 0, 0, 0, 1, 0x9D}).Append(body));
  EXPECT_EQ(carry.Size(), 295);
  TID3v2 allHigh = Read(Bytes().Text("ID3").Raw({3, 0, 0, 0, 0, 0x80, 0x80}).Append(body));
  EXPECT_EQ(allHigh.Size(), 0);  // 128 * 128 + 128 + 10 = 16522: past the end of this file
}

TEST_F(ID3v2Test, ShortFilesUnknownVersionsAndMissingTags) {
  TID3v2 tag;
  const Bytes nine = Bytes().Text("ID3").Raw({3, 0, 0, 0, 0, 0});
  EXPECT_FALSE(tag.ReadFromFile(tagtest::WriteFile(dir.Path("short"), nine)));
  EXPECT_FALSE(tag.ReadFromFile(dir.Path("missing")));
  EXPECT_FALSE(tag.ReadFromFile(dir.Path("")));  // the folder itself

  TID3v2 v5 = Read(Tag(5, FrameV3("TIT2", Latin1("Five"))));
  EXPECT_TRUE(v5.Exists());
  EXPECT_EQ(v5.VersionID(), 5);
  EXPECT_EQ(v5.Title(), "");

  TID3v2 none = Read(Bytes().Text("RIFF").Zeros(100));
  EXPECT_FALSE(none.Exists());
  EXPECT_EQ(none.Size(), 0);
}

TEST_F(ID3v2Test, Version3FieldsFromTheirFrames) {
  const Bytes frames = Bytes()
      .Append(FrameV3("TIT2", Latin1("Song")))
      .Append(FrameV3("TPE1", Latin1("  Singer  ")))
      .Append(FrameV3("TALB", Latin1("Album")))
      .Append(FrameV3("TRCK", Latin1("3/12")))
      .Append(FrameV3("TYER", Latin1("1999")))
      .Append(FrameV3("TCON", Latin1("(13)Pop")))
      .Append(FrameV3("TCOM", Latin1("Composer")))
      .Append(FrameV3("TENC", Latin1("Encoder")))
      .Append(FrameV3("TCOP", Latin1("(c) me")))
      .Append(FrameV3("TLAN", Latin1("jpn")))
      // COMM: encoding 0, language "eng", description "d", terminator, text.
      .Append(FrameV3("COMM", Bytes().Raw({0}).Text("eng").Text("d").Raw({0}).Text("hello")))
      // WXXX: encoding 0, description "", terminator, URL (no language code).
      .Append(FrameV3("WXXX", Bytes().Raw({0, 0}).Text("http://example.org/")));
  TID3v2 tag = Read(Tag(3, frames));
  EXPECT_EQ(tag.Title(), "Song");
  EXPECT_EQ(tag.Artist(), "Singer");
  EXPECT_EQ(tag.Album(), "Album");
  EXPECT_EQ(tag.Track(), 3);
  EXPECT_EQ(tag.TrackString(), "3/12");
  EXPECT_EQ(tag.Year(), "1999");
  EXPECT_EQ(tag.Genre(), "Pop");
  EXPECT_EQ(tag.Comment(), "hello");
  EXPECT_EQ(tag.Composer(), "Composer");
  EXPECT_EQ(tag.Encoder(), "Encoder");
  EXPECT_EQ(tag.Copyright(), "(c) me");
  EXPECT_EQ(tag.Language(), "jpn");
  EXPECT_EQ(tag.Link(), "http://example.org/");
}

TEST_F(ID3v2Test, FallbackFramesTrackAndGenreTexts) {
  // No TYER but TDRC, no TPE1 but TOPE, no TALB but TOAL, a genre without text, a bad track.
  const Bytes frames = Bytes()
      .Append(FrameV3("TDRC", Latin1("2004-05-01")))
      .Append(FrameV3("TOPE", Latin1("Original")))
      .Append(FrameV3("TOAL", Latin1("Old Album")))
      .Append(FrameV3("TCON", Latin1("(13)")))
      .Append(FrameV3("TRCK", Latin1("A1")));
  TID3v2 tag = Read(Tag(3, frames));
  EXPECT_EQ(tag.Year(), "2004");
  EXPECT_EQ(tag.Artist(), "Original");
  EXPECT_EQ(tag.Album(), "Old Album");
  EXPECT_EQ(tag.Genre(), "");
  EXPECT_EQ(tag.Track(), 0);
  EXPECT_EQ(tag.TrackString(), "A1");
  TID3v2 rock = Read(Tag(3, FrameV3("TCON", Latin1("Rock"))));
  EXPECT_EQ(rock.Genre(), "Rock");
}

TEST_F(ID3v2Test, LaterFrameWinsEvenWhenEmptyWhateverItsEncoding) {
  TID3v2 twice = Read(Tag(3, Bytes()
                                 .Append(FrameV3("TIT2", Latin1("First")))
                                 .Append(FrameV3("TIT1", Latin1("Group")))
                                 .Append(FrameV3("TIT2", Latin1("")))));
  EXPECT_EQ(twice.Title(), "Group");
  TID3v2 utf8 = Read(Tag(3, Bytes()
                               .Append(FrameV3("TIT2", Latin1("Replaced")))
                               .Append(FrameV3("TIT2", Bytes().Raw({3}).Text("UTF-8")))));
  EXPECT_EQ(utf8.Title(), "UTF-8");
  // An encoding this tag does not know is passed over: the earlier frame stays.
  TID3v2 unknown = Read(Tag(4, Bytes()
                                  .Append(FrameV4("TIT2", Latin1("Kept")))
                                  .Append(FrameV4("TIT2", Bytes().Raw({4}).Text("Four")))));
  EXPECT_EQ(unknown.Title(), "Kept");
}

// Version 4 added UTF-16 big-endian (2) and UTF-8 (3); current taggers write version 4 in UTF-8.
TEST_F(ID3v2Test, Version4TextEncodings) {
  const struct {
    const char* what;
    Bytes data;
    std::string title;
  } cases[] = {
      {"UTF-8", Bytes().Raw({3}).Text("夜明けの歌 😀"), "夜明けの歌 😀"},
      {"UTF-8 trimmed", Bytes().Raw({3}).Text(" Padded \n").Raw({0}), "Padded"},
      {"UTF-8 invalid bytes", Bytes().Raw({3}).Text("a\xFF" "b\xE3\x81"), "a\uFFFDb\uFFFD"},
      {"UTF-8 broken inside", Bytes().Raw({3}).Text("\xE3\x81x\xC0\xAF"), "\uFFFDx\uFFFD\uFFFD"},
      {"UTF-8 surrogate", Bytes().Raw({3}).Text("x\xED\xA0\x80"), "x\uFFFD\uFFFD\uFFFD"},
      {"UTF-8 inner zero", Bytes().Raw({3}).Text("one").Raw({0}).Text("two"),
       std::string("one\0two", 7)},
      {"UTF-16BE", Bytes().Raw({2}).Utf16BE(u"夜明け ÿ仿"), "夜明け ÿ仿"},
      {"UTF-16BE ends at a zero unit", Bytes().Raw({2}).Utf16BE(u"AB").Raw({0, 0}).Utf16BE(u"C"),
       "AB"},
      {"UTF-16BE surrogate pair", Bytes().Raw({2}).Utf16BE(u"a😀"), "a😀"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Read(Tag(4, FrameV4("TIT2", c.data))).Title(), c.title) << c.what;
    EXPECT_EQ(Read(Tag(3, FrameV3("TIT2", c.data))).Title(), c.title) << c.what;
  }
  platform::SetACP(platform::TCodePage::ShiftJis);
  TID3v2 sjis = Read(Tag(4, Bytes()
                                .Append(FrameV4("TIT2", Bytes().Raw({3}).Text("歌")))
                                .Append(FrameV4("TPE1", Bytes().Raw({2}).Utf16BE(u"歌")))));
  platform::SetACP(platform::TCodePage::Utf8);
  EXPECT_EQ(sjis.Title(), "\x89\xCC");
  EXPECT_EQ(sjis.Artist(), "\x89\xCC");
}

TEST_F(ID3v2Test, Version4DescribedTextsEndTheirDescriptionByEncoding) {
  // UTF-8: the description ends at one zero byte; UTF-16BE: at a zero unit on a unit boundary
  // ("d" is 00 64, so the zero byte inside it is no terminator).
  const Bytes comm8 = Bytes().Raw({3}).Text("eng").Text("dé").Raw({0}).Text("héllo");
  const Bytes comm16 =
      Bytes().Raw({2}).Text("eng").Utf16BE(u"d").Raw({0, 0}).Utf16BE(u"héllo");
  const Bytes link8 = Bytes().Raw({3}).Text("site").Raw({0}).Text("http://example.org/é");
  const Bytes link16 = Bytes().Raw({2}).Utf16BE(u"site").Raw({0, 0}).Utf16BE(u"http://x/");
  TID3v2 utf8 = Read(Tag(4, Bytes().Append(FrameV4("COMM", comm8)).Append(FrameV4("WXXX", link8))));
  EXPECT_EQ(utf8.Comment(), "héllo");
  EXPECT_EQ(utf8.Link(), "http://example.org/é");
  TID3v2 utf16 =
      Read(Tag(4, Bytes().Append(FrameV4("COMM", comm16)).Append(FrameV4("WXXX", link16))));
  EXPECT_EQ(utf16.Comment(), "héllo");
  EXPECT_EQ(utf16.Link(), "http://x/");
}

TEST_F(ID3v2Test, Utf16TextWithAndWithoutByteOrderMark) {
  TID3v2 bom = Read(Tag(3, FrameV3("TIT2", Bytes().Raw({1, 0xFF, 0xFE, 0x41, 0, 0x42, 0}))));
  EXPECT_EQ(bom.Title(), "AB");
  // Without a mark the units are still read low byte first.
  TID3v2 bare = Read(Tag(3, FrameV3("TPE1", Bytes().Raw({1}).Utf16LE(u"夜明け"))));
  EXPECT_EQ(bare.Artist(), "夜明け");
  // A big-endian mark is not honoured: the text is not "A".
  TID3v2 be = Read(Tag(3, FrameV3("TIT2", Bytes().Raw({1, 0xFE, 0xFF, 0x00, 0x41}))));
  EXPECT_NE(be.Title(), "A");
  // Characters whose code ends in 0xFF (ÿ, 仿) survive; only the mark is dropped.
  TID3v2 ff = Read(Tag(3, FrameV3("TIT2", Bytes().Raw({1, 0xFF, 0xFE}).Utf16LE(u"ÿ仿x"))));
  EXPECT_EQ(ff.Title(), "ÿ仿x");
}

TEST_F(ID3v2Test, Utf16TextUnderShiftJisIsConvertedUnitByUnit) {
  platform::SetACP(platform::TCodePage::ShiftJis);
  TID3v2 tag = Read(Tag(3, FrameV3("TIT2", Bytes().Raw({1, 0xFF, 0xFE}).Utf16LE(u"歌"))));
  platform::SetACP(platform::TCodePage::Utf8);
  EXPECT_EQ(tag.Title(), "\x89\xCC");  // 歌 in Shift-JIS
}

TEST_F(ID3v2Test, Utf16CommentDescriptionEndsAtAZeroUnit) {
  // Description "d" (64 00) then the terminator 00 00: the zero pair that straddles the two
  // must not be taken for the terminator.
  const Bytes comm = Bytes().Raw({1}).Text("eng").Raw({0xFF, 0xFE}).Utf16LE(u"d").Raw({0, 0})
                         .Raw({0xFF, 0xFE}).Utf16LE(u"hello");
  TID3v2 tag = Read(Tag(3, FrameV3("COMM", comm)));
  EXPECT_EQ(tag.Comment(), "hello");
}

TEST_F(ID3v2Test, Version2FramesUseThreeLetterIdentifiers) {
  const Bytes frames = Bytes()
      .Append(FrameV2("TT2", Latin1("Old Title")))
      .Append(FrameV2("TP1", Latin1("Old Artist")))
      .Append(FrameV2("COM", Bytes().Raw({0}).Text("eng").Raw({0}).Text("note")))
      .Append(FrameV2("TIT2", Latin1("not a v2 id")));  // read as "TIT" with a bogus size
  TID3v2 tag = Read(Tag(2, frames));
  EXPECT_EQ(tag.Title(), "Old Title");
  EXPECT_EQ(tag.Artist(), "Old Artist");
  EXPECT_EQ(tag.Comment(), "note");
}

TEST_F(ID3v2Test, CompressedFramesAreSkippedAndZeroFillEndsTheFrames) {
  TID3v2 compressed = Read(Tag(3, Bytes()
                                     .Append(FrameV3("TIT2", Latin1("Plain")))
                                     .Append(FrameV3("TIT2", Latin1("Packed"), 0x80))));
  EXPECT_EQ(compressed.Title(), "Plain");
  // Zero fill ends the scan: the frame after it is never read.
  TID3v2 padded = Read(Tag(3, Bytes()
                                 .Append(FrameV3("TIT2", Latin1("Before")))
                                 .Zeros(10)
                                 .Append(FrameV3("TPE1", Latin1("After")))));
  EXPECT_EQ(padded.Title(), "Before");
  EXPECT_EQ(padded.Artist(), "");
}

namespace {

// Unsynchronisation puts a 0x00 after an 0xFF that a 0x00 or a byte of 0xE0 and above follows.
Bytes Unsynchronised(const Bytes& plain) {
  const std::vector<uint8_t>& in = plain.Data();
  Bytes out;
  for (size_t i = 0; i < in.size(); ++i) {
    out.Raw({in[i]});
    if (in[i] == 0xFF && (i + 1 == in.size() || in[i + 1] == 0 || in[i + 1] >= 0xE0)) {
      out.Raw({0});
    }
  }
  return out;
}

// A version-4 frame whose data is unsynchronised, with its data length in front (flags 0x03),
// or with neither flag when the tag header says that every frame is unsynchronised.
Bytes FrameV4Unsynchronised(std::string_view id, const Bytes& data, bool frameFlags = true) {
  Bytes stored;
  if (frameFlags) stored.SyncSafe(uint32_t(data.Size()));
  stored.Append(Unsynchronised(data));
  return Bytes().Text(id).SyncSafe(uint32_t(stored.Size()))
      .Raw({0, uint8_t(frameFlags ? 0x03 : 0)}).Append(stored);
}

}  // namespace

TEST_F(ID3v2Test, UnsynchronisationIsUndone) {
  // A UTF-16 title (its mark FF FE becomes FF 00 FE) and a Latin-1 title ending in ÿ (FF) in
  // front of the artist: undone, the sizes add up and the artist behind them is found.
  const Bytes title = Bytes().Raw({1, 0xFF, 0xFE}).Utf16LE(u"Tÿ");
  const Bytes subtitle = Bytes().Raw({0}).Text("Sub\xFF");
  const Bytes artist = Latin1("Artist");
  const Bytes v3 = Bytes().Append(FrameV3("TIT2", title)).Append(FrameV3("TIT3", subtitle))
                       .Append(FrameV3("TPE1", artist));
  const Bytes v2 = Bytes().Append(FrameV2("TT2", title)).Append(FrameV2("TT3", subtitle))
                       .Append(FrameV2("TP1", artist));
  const Bytes v4 = Bytes().Append(FrameV4Unsynchronised("TIT2", title))
                       .Append(FrameV4Unsynchronised("TIT3", subtitle))
                       .Append(FrameV4("TPE1", artist));
  const Bytes v4Tag = Bytes().Append(FrameV4Unsynchronised("TIT2", title, false))
                          .Append(FrameV4Unsynchronised("TIT3", subtitle, false))
                          .Append(FrameV4Unsynchronised("TPE1", artist, false));
  const struct {
    const char* what;
    uint8_t version, flags;
    Bytes frames;
  } cases[] = {
      {"version 3, the whole tag", 3, 0x80, Unsynchronised(v3)},
      {"version 2, the whole tag", 2, 0x80, Unsynchronised(v2)},
      {"version 4, frame by frame", 4, 0, v4},
      {"version 4, every frame by the tag's flag", 4, 0x80, v4Tag},
  };
  for (const auto& c : cases) {
    TID3v2 tag = Read(Header(c.version, c.flags, uint32_t(c.frames.Size() + 8))
                          .Append(c.frames).Zeros(8).Fill(64, 0x55));
    EXPECT_EQ(tag.Title(), "Tÿ") << c.what;
    EXPECT_EQ(tag.Artist(), "Artist") << c.what;
  }
}

TEST_F(ID3v2Test, ExtendedHeaderIsSkipped) {
  const struct {
    const char* what;
    uint8_t version, flags;
    Bytes body;  // the extended header and a title frame
    std::string title;
  } cases[] = {
      // Version 3: a size that leaves out its own 4 bytes, 2 flag bytes, 4 bytes of padding size.
      {"version 3", 3, 0x40,
       Bytes().U32BE(6).Raw({0, 0}).U32BE(0).Append(FrameV3("TIT2", Latin1("Three"))), "Three"},
      // Version 4: a 7-bit size that counts its own 4 bytes, a flag byte count and the flags.
      {"version 4", 4, 0x40,
       Bytes().SyncSafe(6).Raw({1, 0}).Append(FrameV4("TIT2", Latin1("Four"))), "Four"},
      // Unsynchronised as a whole, the extended header is undone with the frames.
      {"version 3, unsynchronised", 3, 0xC0,
       Unsynchronised(Bytes().U32BE(6).Raw({0xFF, 0}).U32BE(0).Append(
           FrameV3("TIT2", Bytes().Raw({1, 0xFF, 0xFE}).Utf16LE(u"Un")))), "Un"},
  };
  for (const auto& c : cases) {
    TID3v2 tag = Read(Header(c.version, c.flags, uint32_t(c.body.Size() + 8)).Append(c.body)
                          .Zeros(8).Fill(32, 0x55));
    EXPECT_EQ(tag.Title(), c.title) << c.what;
  }
}

TEST_F(ID3v2Test, Version4FrameSizesAreSevenBitsPerByte) {
  // A 300-byte comment before the title: read as a plain number, its size bytes 00 00 02 2C
  // would be 556 and the title would be lost.
  const Bytes comm = Bytes().Raw({0}).Text("eng").Raw({0}).Fill(295, 'c');
  ASSERT_EQ(comm.Size(), 300u);
  TID3v2 tag =
      Read(Tag(4, Bytes().Append(FrameV4("COMM", comm)).Append(FrameV4("TIT2", Latin1("Title")))));
  EXPECT_EQ(tag.Title(), "Title");
  EXPECT_EQ(tag.Comment(), std::string(295, 'c').substr(0, 500 - 5));
  // Version 3 keeps the plain size: the same 300-byte comment is skipped correctly there too.
  TID3v2 v3 =
      Read(Tag(3, Bytes().Append(FrameV3("COMM", comm)).Append(FrameV3("TIT2", Latin1("Three")))));
  EXPECT_EQ(v3.Title(), "Three");
}

namespace {

// A version-4 frame with its size as a plain 32-bit number, as some writers store it.
Bytes FrameV4Plain(std::string_view id, const Bytes& data) {
  return Bytes().Text(id).U32BE(uint32_t(data.Size())).Raw({0, 0}).Append(data);
}

}  // namespace

TEST_F(ID3v2Test, Version4PlainFrameSizesAreDetected) {
  const struct {
    const char* what;
    Bytes frame;
  } cases[] = {
      // Size 00 00 01 2C: 300 as a plain number, 172 read 7 bits per byte (inside the text).
      {"Latin-1 comment", FrameV4Plain("COMM", Bytes().Raw({0}).Text("eng").Raw({0})
                                                   .Fill(295, 'c'))},
      // 一 is 00 4E: the 7-bit reading lands on a zero byte that is no padding.
      {"UTF-16 comment", FrameV4Plain("COMM", Bytes().Raw({1}).Text("eng")
                                                  .Raw({0xFF, 0xFE, 0, 0, 0xFF, 0xFE})
                                                  .Utf16LE(std::u16string(145, u'一')))},
      {"picture", FrameV4Plain("APIC", Bytes().Raw({0}).Text("image/png").Raw({0, 3, 0})
                                           .Fill(1000, 0x89))},
  };
  for (const auto& c : cases) {
    TID3v2 tag = Read(Tag(4, Bytes().Append(c.frame).Append(FrameV4Plain("TIT2", Latin1("Title")))
                                 .Append(FrameV4Plain("TPE1", Latin1("Artist")))));
    EXPECT_EQ(tag.Title(), "Title") << c.what;
    EXPECT_EQ(tag.Artist(), "Artist") << c.what;
  }
}

TEST_F(ID3v2Test, LongFramesAreCutAt500BytesAndTheNextFrameIsStillFound) {
  const std::string longTitle(800, 'x');
  const Bytes frames =
      Bytes().Append(FrameV3("TIT2", Latin1(longTitle))).Append(FrameV3("TPE1", Latin1("Next")));
  TID3v2 tag = Read(Tag(3, frames));
  EXPECT_EQ(tag.Title(), std::string(499, 'x'));  // 500 bytes less the encoding byte
  EXPECT_EQ(tag.Artist(), "Next");
}

TEST_F(ID3v2Test, ResetDataAndSettersTrim) {
  TID3v2 tag = Read(Tag(3, FrameV3("TIT2", Latin1("Song"))));
  tag.SetArtist("  padded\t ");
  EXPECT_EQ(tag.Artist(), "padded");
  tag.ResetData();
  EXPECT_FALSE(tag.Exists());
  EXPECT_EQ(tag.Title(), "");
  EXPECT_EQ(tag.VersionID(), 0);
}

// Real files: the tags that lame and ffmpeg write.
TEST_F(ID3v2Test, TagsWrittenByLameAndFfmpeg) {
  const std::string wav = tagtest::MakeToneWav(dir);
  const std::string lameMp3 = dir.Path("lame.mp3");
  ASSERT_TRUE(tagtest::Run("lame --quiet --tt '夜明けの歌' --ta 'Beyoncé' --tl Album --tn 7 "
                           "--add-id3v2 '" + wav + "' '" + lameMp3 + "'"));
  TID3v2 lame;
  ASSERT_TRUE(lame.ReadFromFile(lameMp3));
  EXPECT_EQ(lame.Title(), "夜明けの歌");
  EXPECT_EQ(lame.Artist(), "Beyoncé");
  EXPECT_EQ(lame.Album(), "Album");
  EXPECT_EQ(lame.Track(), 7);

  // ffmpeg puts the 300-byte comment into a TXXX frame in front of the title. In version 3 it
  // writes ASCII as ISO-8859-1 and other text as UTF-16; in version 4 everything is UTF-8.
  const std::string metadata = " -metadata comment='" + std::string(300, 'z') +
                               "' -metadata title='A Title' -metadata artist='Ärtist' ";
  for (const char* version : {"3", "4"}) {
    const std::string mp3 = dir.Path(std::string("ff") + version + ".mp3");
    ASSERT_TRUE(tagtest::Run("ffmpeg -nostdin -loglevel error -y -i '" + wav + "' -c:a libmp3lame "
                             "-id3v2_version " + version + metadata + "'" + mp3 + "'"));
    TID3v2 tag;
    ASSERT_TRUE(tag.ReadFromFile(mp3)) << version;
    EXPECT_TRUE(tag.Exists());
    EXPECT_EQ(tag.VersionID(), version[0] - '0');
    EXPECT_GT(tag.Size(), 300) << version;
    EXPECT_EQ(tag.Title(), "A Title") << version;
    EXPECT_EQ(tag.Artist(), "Ärtist") << version;
  }
}
