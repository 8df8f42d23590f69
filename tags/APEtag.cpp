#include "tags/APEtag.h"

#include <array>
#include <optional>

#include "platform/CodePage.h"
#include "tags/ByteReader.h"
#include "tags/TagText.h"

namespace {

constexpr int64_t kID3v1Bytes = 128;
constexpr size_t kFooterBytes = 32;
constexpr size_t kValueBytes = 250;  // a value is cut here

// The items kept, by slot; keys are compared upper-cased.
enum TItemSlot { itTitle, itArtist, itAlbum, itTrack, itYear, itGenre, itComment, itCopyright,
                 kItemCount };
constexpr std::array<std::string_view, kItemCount> kItemKeys = {
    "TITLE", "ARTIST", "ALBUM", "TRACK", "YEAR", "GENRE", "COMMENT", "COPYRIGHT"};

using TItems = std::array<std::string, kItemCount>;

// What the footer says and where it was found.
struct TFooter {
  int32_t version = 0;
  int32_t tagSizeBytes = 0;
  int32_t itemCount = 0;
  int64_t endShiftBytes = 0;  // 128 when an ID3v1 tag follows the APE tag
  int64_t fileBytes = 0;
};

std::optional<size_t> SlotOfKey(std::string_view key) {
  for (size_t i = 0; i < kItemKeys.size(); ++i) {
    if (key.size() != kItemKeys[i].size()) continue;
    bool same = true;
    for (size_t k = 0; same && k < key.size(); ++k) {
      same = platform::AnsiUpperByte(key[k]) == kItemKeys[i][k];
    }
    if (same) return i;
  }
  return std::nullopt;
}

// Version-2 values are UTF-8. Valid UTF-8 already is the ANSI code page here; anything else
// (and everything under code page 932) goes through the tag's own decoder, which handles
// sequences of up to three bytes and stops at the first broken one.
std::string Utf8ValueToAnsi(std::string_view value) {
  if (platform::GetACP() == platform::TCodePage::Utf8 && platform::IsValidUtf8(value)) {
    return std::string(value);
  }
  std::u16string units;
  const TByteReader r(reinterpret_cast<const uint8_t*>(value.data()), value.size());
  auto isTrail = [&r](size_t at) { return at < r.Size() && (r.U8(at) & 0xC0) == 0x80; };
  for (size_t i = 0; i < r.Size();) {
    const uint8_t lead = r.U8(i);
    if (lead < 0x80) {
      units += static_cast<char16_t>(lead);
      i += 1;
    } else if (!(lead & 0x20)) {
      if (!isTrail(i + 1)) break;
      units += static_cast<char16_t>((lead & 0x3F) * 64 + (r.U8(i + 1) & 0x3F));
      i += 2;
    } else {
      if (!isTrail(i + 1) || !isTrail(i + 2)) break;
      units += static_cast<char16_t>(((lead & 0x1F) * 64 + (r.U8(i + 1) & 0x3F)) * 64 +
                                     (r.U8(i + 2) & 0x3F));
      i += 3;
    }
  }
  std::string out;
  for (char16_t unit : units) out += platform::WideCharToAnsi(unit);
  return out;
}

// Reads the key up to and including its zero byte; nothing when the file ends first.
std::optional<std::string> ReadKey(TFileReader& file) {
  std::string key;
  for (;;) {
    char c = 0;
    if (!file.ReadExact(&c, 1)) return std::nullopt;
    if (c == 0) return key;
    key += c;
  }
}

// Walks the items from the start the footer gives. A read or seek failure ends the walk and
// keeps what was gathered.
void ReadItems(TFileReader& file, const TFooter& footer, TItems& items) {
  if (!file.Seek(footer.fileBytes - footer.endShiftBytes - footer.tagSizeBytes)) return;
  for (int32_t n = 0; n < footer.itemCount; ++n) {
    uint8_t head[8];
    if (!file.ReadExact(head, sizeof head)) return;
    const int32_t valueBytes = static_cast<int32_t>(TByteReader(head, sizeof head).U32LE(0));
    // A negative size would move the walk backwards and let a declared count of two billion
    // items loop over the same bytes: the tag is broken there, so the walk ends.
    if (valueBytes < 0) return;
    const std::optional<std::string> rawKey = ReadKey(file);
    if (!rawKey) return;
    const std::string key = TrimControl(*rawKey);
    const int64_t valueAt = file.Position();
    std::array<char, kValueBytes> buffer{};
    const size_t want = static_cast<size_t>(valueBytes) < kValueBytes ? valueBytes : kValueBytes;
    if (!file.ReadExact(buffer.data(), want)) return;
    const std::string value = TrimControl(std::string_view(buffer.data(), buffer.size()));
    if (const std::optional<size_t> slot = SlotOfKey(key)) {
      // Stored as a string property, so trimmed again after decoding: a value that ends in a
      // cut sequence must not keep the blank in front of it.
      items[*slot] = footer.version <= 1000 ? value : TrimControl(Utf8ValueToAnsi(value));
    }
    if (!file.Seek(valueAt + valueBytes)) return;
  }
}

// Finds and reads the footer; nothing when it cannot be read.
std::optional<std::array<uint8_t, kFooterBytes>> ReadFooter(TFileReader& file,
                                                            TFooter& footer) {
  if (!file.IsOpen() || file.Size() < kID3v1Bytes) return std::nullopt;
  footer.fileBytes = file.Size();
  char tag[3];
  if (!file.Seek(footer.fileBytes - kID3v1Bytes) || !file.ReadExact(tag, sizeof tag)) {
    return std::nullopt;
  }
  footer.endShiftBytes = std::string_view(tag, 3) == "TAG" ? kID3v1Bytes : 0;
  std::array<uint8_t, kFooterBytes> bytes{};
  if (!file.Seek(footer.fileBytes - footer.endShiftBytes - kFooterBytes) ||
      !file.ReadExact(bytes.data(), bytes.size())) {
    return std::nullopt;
  }
  return bytes;
}

}  // namespace

const TClassInfo& TAPEtag::StaticClass() {
  static const TClassInfo info("TAPEtag", &TPersistent::StaticClass(), {
      Publish("Exists", &TAPEtag::Exists),
      Publish("Version", &TAPEtag::Version),
      Publish("Size", &TAPEtag::Size),
      Publish("Title", &TAPEtag::Title),
      Publish("Artist", &TAPEtag::Artist),
      Publish("Album", &TAPEtag::Album),
      Publish("Track", &TAPEtag::Track),
      Publish("Year", &TAPEtag::Year),
      Publish("Genre", &TAPEtag::Genre),
      Publish("Comment", &TAPEtag::Comment),
      Publish("Copyright", &TAPEtag::Copyright),
  });
  return info;
}

TAPEtag::TAPEtag() { ResetData(); }

void TAPEtag::ResetData() {
  FExists = false;
  FVersion = 0;
  FSize = 0;
  FTrack = 0;
  for (std::string* s : {&FTitle, &FArtist, &FAlbum, &FYear, &FGenre, &FComment, &FCopyright}) {
    s->clear();
  }
}

bool TAPEtag::ReadFromFile(const std::string& FileName) {
  TFileReader file(FileName);
  return ReadFromFile(file);
}

bool TAPEtag::ReadFromFile(TFileReader& file) {
  ResetData();
  TFooter footer;
  const auto bytes = ReadFooter(file, footer);
  if (!bytes) return false;
  const TByteReader r(bytes->data(), bytes->size());
  if (!r.Matches(0, "APETAGEX")) return true;

  FExists = true;
  footer.version = static_cast<int32_t>(r.U32LE(8));
  footer.tagSizeBytes = static_cast<int32_t>(r.U32LE(12));
  footer.itemCount = static_cast<int32_t>(r.U32LE(16));
  FVersion = footer.version;
  FSize = footer.tagSizeBytes;

  TItems items;
  ReadItems(file, footer, items);
  FTitle = items[itTitle];
  FArtist = items[itArtist];
  FAlbum = items[itAlbum];
  FTrack = static_cast<uint8_t>(TrackNumber(items[itTrack]));
  FYear = items[itYear];
  FGenre = items[itGenre];
  FComment = items[itComment];
  FCopyright = items[itCopyright];
  return true;
}

void TAPEtag::SetTitle(const std::string& value) { FTitle = TrimControl(value); }
void TAPEtag::SetArtist(const std::string& value) { FArtist = TrimControl(value); }
void TAPEtag::SetAlbum(const std::string& value) { FAlbum = TrimControl(value); }
void TAPEtag::SetYear(const std::string& value) { FYear = TrimControl(value); }
void TAPEtag::SetGenre(const std::string& value) { FGenre = TrimControl(value); }
void TAPEtag::SetComment(const std::string& value) { FComment = TrimControl(value); }
void TAPEtag::SetCopyright(const std::string& value) { FCopyright = TrimControl(value); }
