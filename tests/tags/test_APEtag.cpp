#include "tags/APEtag.h"

#include <gtest/gtest.h>

#include "TagFixtures.h"
#include "platform/CodePage.h"

using tagtest::Bytes;
using tagtest::TempDir;

namespace {

// One item: value size, flags, key, zero byte, value.
Bytes Item(std::string_view key, std::string_view value) {
  return Bytes().U32LE(uint32_t(value.size())).U32LE(0).Text(key).Raw({0}).Text(value);
}

// The 32-byte footer: identifier, version, tag size (items + footer), item count, flags, reserved.
Bytes Footer(uint32_t version, uint32_t itemBytes, uint32_t count) {
  return Bytes().Text("APETAGEX").U32LE(version).U32LE(itemBytes + 32).U32LE(count).U32LE(0)
      .Zeros(8);
}

// Audio-like bytes, the items, the footer.
Bytes File(uint32_t version, const Bytes& items, uint32_t count) {
  return Bytes().Fill(200, 0x55).Append(items)
      .Append(Footer(version, uint32_t(items.Size()), count));
}

Bytes ID3v1Tag() { return Bytes().Text("TAG").Fill(125, 0); }

class APEtagTest : public ::testing::Test {
 protected:
  TAPEtag Read(const Bytes& file) {
    TAPEtag tag;
    EXPECT_TRUE(tag.ReadFromFile(tagtest::WriteFile(dir.Path("t.ape"), file)));
    return tag;
  }
  TempDir dir;
};

}  // namespace

TEST_F(APEtagTest, Version1ItemsAsStored) {
  const Bytes items = Bytes()
      .Append(Item("Title", "Song"))
      .Append(Item("Artist", "\x89\xCC"))  // Shift-JIS bytes, kept as they are in version 1
      .Append(Item("Album", "Album"))
      .Append(Item("Track", "7/12"))
      .Append(Item("Year", "2003"))
      .Append(Item("Genre", "Pop"))
      .Append(Item("Comment", " note "))
      .Append(Item("Copyright", "(c)"))
      .Append(Item("Unknown", "skipped"));
  TAPEtag tag = Read(File(1000, items, 9));
  EXPECT_TRUE(tag.Exists());
  EXPECT_EQ(tag.Version(), 1000);
  EXPECT_EQ(tag.Size(), int32_t(items.Size() + 32));
  EXPECT_EQ(tag.Title(), "Song");
  EXPECT_EQ(tag.Artist(), "\x89\xCC");
  EXPECT_EQ(tag.Album(), "Album");
  EXPECT_EQ(tag.Track(), 7);
  EXPECT_EQ(tag.Year(), "2003");
  EXPECT_EQ(tag.Genre(), "Pop");
  EXPECT_EQ(tag.Comment(), "note");
  EXPECT_EQ(tag.Copyright(), "(c)");
}

TEST_F(APEtagTest, KeysIgnoreCaseLaterItemsWinTrackKeeps8Bits) {
  const Bytes items = Bytes()
      .Append(Item("TITLE", "First"))
      .Append(Item("title", "Second"))
      .Append(Item("Track", "300"));
  TAPEtag tag = Read(File(2000, items, 3));
  EXPECT_EQ(tag.Title(), "Second");
  EXPECT_EQ(tag.Track(), 44);
}

TEST_F(APEtagTest, Version2ValuesAreUtf8) {
  const std::string title = "夜明けの歌";
  TAPEtag utf8 = Read(File(2000, Item("Title", title), 1));
  EXPECT_EQ(utf8.Title(), title);
  // Characters beyond the basic plane survive too, and so does the text after them.
  TAPEtag astral = Read(File(2000, Item("Title", "a😀b"), 1));
  EXPECT_EQ(astral.Title(), "a😀b");

  platform::SetACP(platform::TCodePage::ShiftJis);
  TAPEtag sjis = Read(File(2000, Item("Title", "歌"), 1));
  TAPEtag broken = Read(File(2000, Item("Title", "ab\xE6\x41rest"), 1));
  platform::SetACP(platform::TCodePage::Utf8);
  EXPECT_EQ(sjis.Title(), "\x89\xCC");
  EXPECT_EQ(broken.Title(), "ab");  // a broken sequence drops the rest
  // Decoded values are trimmed like any stored value: a cut sequence leaves no trailing blank,
  // under either code page.
  for (auto cp : {platform::TCodePage::Utf8, platform::TCodePage::ShiftJis}) {
    platform::SetACP(cp);
    TAPEtag cut = Read(File(2000, Item("Title", "Song \xE3\x81"), 1));
    platform::SetACP(platform::TCodePage::Utf8);
    EXPECT_EQ(cut.Title(), "Song") << static_cast<unsigned>(cp);
  }
}

TEST_F(APEtagTest, FooterBeforeAnID3v1TagIsFoundAnythingElseIsNot) {
  const Bytes items = Item("Title", "Song");
  TAPEtag withV1 = Read(File(2000, items, 1).Append(ID3v1Tag()));
  EXPECT_TRUE(withV1.Exists());
  EXPECT_EQ(withV1.Title(), "Song");
  TAPEtag trailing = Read(File(2000, items, 1).Fill(128, 0));
  EXPECT_FALSE(trailing.Exists());
  TAPEtag shortTail = Read(File(2000, items, 1).Append(Bytes().Text("TAG").Fill(100, 0)));
  EXPECT_FALSE(shortTail.Exists());
}

TEST_F(APEtagTest, FilesShorterThan128BytesFail) {
  const Bytes items = Item("Title", "x");
  const Bytes small = Bytes().Append(items).Append(Footer(2000, uint32_t(items.Size()), 1));
  ASSERT_LT(small.Size(), 128u);
  TAPEtag tag;
  EXPECT_FALSE(tag.ReadFromFile(tagtest::WriteFile(dir.Path("small"), small)));
  EXPECT_FALSE(tag.Exists());
  EXPECT_FALSE(tag.ReadFromFile(dir.Path("missing")));
}

TEST_F(APEtagTest, LongValuesAreCutAt250BytesAndTheNextItemFollows) {
  const std::string comment = "  " + std::string(298, 'c');
  const Bytes items = Bytes().Append(Item("Comment", comment)).Append(Item("Title", "After"));
  TAPEtag tag = Read(File(1000, items, 2));
  EXPECT_EQ(tag.Comment(), std::string(248, 'c'));  // 250 bytes, leading spaces trimmed
  EXPECT_EQ(tag.Title(), "After");
}

TEST_F(APEtagTest, BrokenItemListsKeepWhatWasRead) {
  // More items declared than present: the walk stops at the end of the file.
  const Bytes items = Bytes().Append(Item("Title", "One")).Append(Item("Artist", "Two"));
  TAPEtag more = Read(File(2000, items, 1000000));
  EXPECT_EQ(more.Title(), "One");
  EXPECT_EQ(more.Artist(), "Two");
  // A negative value size would move backwards: the walk ends there instead of looping.
  const Bytes negative = Bytes()
      .Append(Item("Title", "Kept"))
      .U32LE(0xFFFFFFF0u).U32LE(0).Text("Artist").Raw({0})
      .Append(Item("Album", "Lost"));
  TAPEtag neg = Read(File(2000, negative, 0x7FFFFFFF));
  EXPECT_EQ(neg.Title(), "Kept");
  EXPECT_EQ(neg.Album(), "");
  // A tag size larger than the file: the items cannot be reached, the footer still counts.
  TAPEtag huge = Read(Bytes().Fill(200, 0x55).Text("APETAGEX").U32LE(2000).U32LE(0x7FFFFFF0u)
                          .U32LE(3).Zeros(12));
  EXPECT_TRUE(huge.Exists());
  EXPECT_EQ(huge.Title(), "");
}
