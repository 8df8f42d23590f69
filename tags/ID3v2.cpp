#include "tags/ID3v2.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "tags/ByteReader.h"
#include "tags/TagText.h"
#include "tags/Unsynchronisation.h"

namespace {

constexpr size_t kHeaderBytes = 10;
constexpr size_t kSlotBytes = 500;  // only the start of a frame is looked at

// The encoding byte that starts a text frame. Version 4 added UTF-16BE and UTF-8, and today's
// taggers (ffmpeg among them) write version-4 text in UTF-8 only.
constexpr uint8_t kEncodingLatin1 = 0;
constexpr uint8_t kEncodingUtf16 = 1;    // with a byte-order mark, units low byte first
constexpr uint8_t kEncodingUtf16BE = 2;  // no byte-order mark, units high byte first
constexpr uint8_t kEncodingUtf8 = 3;

// The frames read, by slot: version 3/4 identifier, version 2 identifier.
enum TFrameSlot {
  slTitle, slArtist, slAlbum, slTrack, slYear, slGenre, slComment, slComposer, slEncoder,
  slCopyright, slLanguage, slLink,
  slRecordingTime,   // Year when TYER gives nothing
  slOrigArtist,      // Artist when TPE1 gives nothing
  slContentGroup,    // Title when TIT2 gives nothing
  slOrigAlbum,       // Album when TALB gives nothing
  kSlotCount
};

struct TFrameIds {
  const char* v34;
  const char* v2;
};

constexpr std::array<TFrameIds, kSlotCount> kFrameIds = {{
    {"TIT2", "TT2"}, {"TPE1", "TP1"}, {"TALB", "TAL"}, {"TRCK", "TRK"}, {"TYER", "TYE"},
    {"TCON", "TCO"}, {"COMM", "COM"}, {"TCOM", "TCM"}, {"TENC", "TEN"}, {"TCOP", "TCR"},
    {"TLAN", "TLA"}, {"WXXX", "WXX"}, {"TDRC", "TOR"}, {"TOPE", "TOA"}, {"TIT1", "TT1"},
    {"TOAL", "TOT"},
}};

// A slot holds the first 500 bytes of the last matching frame, zero-filled; empty when no
// frame filled it.
using TSlot = std::optional<std::array<uint8_t, kSlotBytes>>;
using TSlots = std::array<TSlot, kSlotCount>;

// Tag header flags.
constexpr uint8_t kTagUnsynchronised = 0x80;  // versions 2 and 3: the whole tag; 4: every frame
constexpr uint8_t kTagExtendedHeader = 0x40;  // versions 3 and 4 (version 2 meant compression)
constexpr uint8_t kTagFooter = 0x10;

// Version-4 frame format flags (the second flag byte).
constexpr uint8_t kFrameUnsynchronised = 0x02;
constexpr uint8_t kFrameDataLength = 0x01;  // a 4-byte length stands in front of the data
constexpr size_t kDataLengthBytes = 4;

struct TTagLayout {
  int64_t startAt;  // the file offset of the tag header
  uint8_t version;
  uint8_t flags;
  int64_t framesEnd;  // the file offset where the frames (and their padding) end
};

uint32_t SyncSafe(const TByteReader& r, size_t at) {
  return uint32_t{r.U8(at) & 0x7Fu} << 21 | uint32_t{r.U8(at + 1) & 0x7Fu} << 14 |
         uint32_t{r.U8(at + 2) & 0x7Fu} << 7 | (r.U8(at + 3) & 0x7Fu);
}

// The bytes behind the tag header: as stored, or with unsynchronisation undone for a tag of
// version 2 or 3 that applied it as a whole. Version 4 undoes it frame by frame instead.
class TFrameArea {
 public:
  TFrameArea(TFileReader& file, const TTagLayout& tag) : FFile(file), FEnd(tag.framesEnd) {
    if (tag.version < 4 && (tag.flags & kTagUnsynchronised)) {
      FResync.emplace(file, tag.startAt + int64_t{kHeaderBytes}, tag.framesEnd);
    }
  }
  bool AtEnd() {
    if (FResync) return FResync->AtEnd();
    return FFile.Position() >= FEnd || FFile.AtEnd();
  }
  bool Read(uint8_t* dest, size_t count) {
    return FResync ? FResync->Read(dest, count) : FFile.ReadExact(dest, count);
  }
  bool Skip(uint64_t count) {
    if (FResync) return FResync->Skip(count);
    return FFile.Seek(FFile.Position() + static_cast<int64_t>(count));
  }

 private:
  TFileReader& FFile;
  int64_t FEnd;
  std::optional<TResyncReader> FResync;
};

// Version 3 counts the extended header's size without its own 4 bytes; version 4 stores it 7
// bits per byte and counts them.
bool SkipExtendedHeader(TFrameArea& area, const TTagLayout& tag) {
  if (tag.version < 3 || !(tag.flags & kTagExtendedHeader)) return true;
  std::array<uint8_t, 4> size{};
  if (!area.Read(size.data(), size.size())) return false;
  const TByteReader r(size.data(), size.size());
  if (tag.version == 3) return area.Skip(r.U32BE(0));
  const uint32_t total = SyncSafe(r, 0);
  return area.Skip(total > size.size() ? total - size.size() : 0);
}

// True when a frame that ends at `at` is followed by another frame's identifier, or by
// nothing: the end of the frames, or (with `paddingEnds`) the zero bytes of the padding.
bool EndsAFrame(TFileReader& file, int64_t at, int64_t framesEnd, bool paddingEnds) {
  if (at == framesEnd) return true;
  std::array<uint8_t, 4> id{};
  if (at > framesEnd || !file.Seek(at) || !file.ReadExact(id.data(), id.size())) return false;
  if (paddingEnds && id[0] == 0) return true;
  return std::all_of(id.begin(), id.end(),
                     [](uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); });
}

// A version-4 frame's data size. The format stores it 7 bits per byte, but some writers put a
// plain 32-bit number there, and read 7 bits per byte every frame of 128 bytes or more would
// then derail the walk. So the plain reading is taken when the 7-bit one leads to no frame (nor
// to the end of the frames) and the plain one does. A zero byte counts as the padding only
// for the plain reading: the 7-bit one falls short into the frame's own data, where UTF-16
// text is full of zero bytes. Leaves the file at the frame's data.
uint32_t Version4DataSize(TFileReader& file, const TByteReader& frame, int64_t framesEnd) {
  const uint32_t syncSafe = SyncSafe(frame, 4), plain = frame.U32BE(4);
  const int64_t dataAt = file.Position();
  uint32_t size = syncSafe;
  if (plain != syncSafe && !EndsAFrame(file, dataAt + syncSafe, framesEnd, false) &&
      EndsAFrame(file, dataAt + plain, framesEnd, true)) {
    size = plain;
  }
  file.Seek(dataAt);
  return size;
}

// The first 500 bytes of a version-4 frame's data that is unsynchronised or has a data
// length in front (or both): that much data can take twice as many stored bytes.
bool ReadVersion4Data(TFrameArea& area, uint8_t frameFlags, bool unsynchronised,
                      uint32_t dataBytes, std::array<uint8_t, kSlotBytes>& data) {
  const size_t prefix = (frameFlags & kFrameDataLength) ? kDataLengthBytes : 0;
  const size_t want = std::min<size_t>(dataBytes, 2 * kSlotBytes + prefix);
  std::vector<uint8_t> stored(want);
  if (!area.Read(stored.data(), want) || !area.Skip(dataBytes - want)) return false;
  std::vector<uint8_t> bytes(stored.begin() + static_cast<ptrdiff_t>(std::min(prefix, want)),
                             stored.end());
  if (unsynchronised) bytes = Resynchronise(bytes);
  std::copy_n(bytes.begin(), std::min(bytes.size(), kSlotBytes), data.begin());
  return true;
}

// Reads the first 500 bytes of a frame's data into `data` and moves past the rest.
bool ReadFrameData(TFrameArea& area, const TTagLayout& tag, const TByteReader& frame,
                   uint32_t dataBytes, std::array<uint8_t, kSlotBytes>& data) {
  if (tag.version == 4) {
    const uint8_t flags = frame.U8(9);
    const bool unsynchronised = (tag.flags & kTagUnsynchronised) || (flags & kFrameUnsynchronised);
    if (unsynchronised || (flags & kFrameDataLength)) {
      return ReadVersion4Data(area, flags, unsynchronised, dataBytes, data);
    }
  }
  const size_t want = dataBytes < kSlotBytes ? dataBytes : kSlotBytes;
  return area.Read(data.data(), want) && area.Skip(dataBytes - want);
}

void OfferToSlots(uint8_t version, const TByteReader& frame,
                  const std::array<uint8_t, kSlotBytes>& data, TSlots& slots) {
  if (data[0] > kEncodingUtf8) return;  // no text encoding that this tag knows
  for (size_t i = 0; i < kSlotCount; ++i) {
    const char* id = version == 2 ? kFrameIds[i].v2 : kFrameIds[i].v34;
    if (frame.Matches(0, id)) slots[i] = data;
  }
}

// Walks the frames after the header and any extended header. A read or seek failure ends the
// walk; the slots keep what was gathered.
void ScanFrames(TFileReader& file, const TTagLayout& tag, TSlots& slots) {
  if (!file.Seek(tag.startAt + int64_t{kHeaderBytes})) return;
  TFrameArea area(file, tag);
  if (!SkipExtendedHeader(area, tag)) return;
  const size_t headerBytes = tag.version == 2 ? 6 : 10;
  while (!area.AtEnd()) {
    std::array<uint8_t, 10> header{};
    if (!area.Read(header.data(), headerBytes)) return;
    const TByteReader frame(header.data(), headerBytes);
    if (frame.U8(0) < 'A' || frame.U8(0) > 'Z') return;  // padding or garbage ends the frames
    uint32_t dataBytes = frame.U32BE(4);
    if (tag.version == 2) dataBytes = frame.U24BE(3);
    // Version 4 is never undone as a whole, so its file offsets are the frames' own.
    if (tag.version == 4) dataBytes = Version4DataSize(file, frame, tag.framesEnd);
    std::array<uint8_t, kSlotBytes> data{};
    if (!ReadFrameData(area, tag, frame, dataBytes, data)) return;
    // In versions 3 and 4, 0x80 of the second flag byte marks a compressed frame.
    const bool skipped = tag.version != 2 && (frame.U8(9) & 0x80);
    if (!skipped) OfferToSlots(tag.version, frame, data, slots);
  }
}

bool IsUtf16(uint8_t encoding) {
  return encoding == kEncodingUtf16 || encoding == kEncodingUtf16BE;
}

// UTF-16 units of a frame's text, up to the first zero unit, byte-order marks left out.
std::u16string Utf16Units(std::span<const uint8_t> text, bool bigEndian) {
  const TByteReader r(text);
  std::u16string units;
  for (size_t i = 0; i < text.size() / 2; ++i) {
    const char16_t unit = bigEndian ? r.U16BE(2 * i) : r.U16LE(2 * i);
    if (unit == 0) break;
    // Only the mark itself is dropped: dropping every unit whose low byte is 0xFF would also
    // lose characters such as U+00FF and many kanji (U+4EFF ...).
    if (unit == 0xFEFF) continue;
    units += unit;
  }
  return units;
}

// 8-bit text of a frame's bytes, the encoding byte first. Latin-1 (and anything unknown): the
// bytes as they are; UTF-16: up to the first zero unit; UTF-8: invalid sequences as U+FFFD.
// Either way trimmed of 0x00-0x20 bytes at both ends, which also removes an encoding byte 0
// and the zero fill.
std::string TextOf(std::span<const uint8_t> bytes) {
  const uint8_t encoding = bytes.empty() ? kEncodingLatin1 : bytes[0];
  const std::span<const uint8_t> text = bytes.empty() ? bytes : bytes.subspan(1);
  if (IsUtf16(encoding)) {
    return TrimControl(WideToAnsiText(Utf16Units(text, encoding == kEncodingUtf16BE)));
  }
  const std::string_view raw(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (encoding != kEncodingUtf8) return TrimControl(raw);
  return TrimControl(Utf8ToAnsiText(TrimControl(raw.substr(1))));
}

std::string SlotText(const TSlot& slot) {
  if (!slot) return "";
  return TextOf(*slot);
}

// Text of a comment or link frame: the encoding byte, optionally a 3-byte language code, a
// content description up to its terminator, then the text itself.
std::string DescribedText(const TSlot& slot, bool hasLanguage) {
  if (!slot) return "";
  const uint8_t encoding = (*slot)[0];
  const size_t termBytes = IsUtf16(encoding) ? 2 : 1;
  std::span<const uint8_t> rest = std::span<const uint8_t>(*slot).subspan(hasLanguage ? 4 : 1);
  // A UTF-16 terminator is a zero unit: it is looked for at unit boundaries only, otherwise a
  // description ending in an ASCII letter ("d" = 64 00) would be cut one byte short.
  size_t skip = termBytes == 2 ? 1 : 0;  // no terminator: one byte dropped, as before
  for (size_t i = 0; i + termBytes <= rest.size(); i += termBytes) {
    if (rest[i] == 0 && (termBytes == 1 || rest[i + 1] == 0)) {
      skip = i + termBytes;
      break;
    }
  }
  std::vector<uint8_t> text;
  text.push_back(encoding);
  text.insert(text.end(), rest.begin() + static_cast<ptrdiff_t>(skip), rest.end());
  return TextOf(text);
}

// "(17)Rock" gives "Rock", "(17)" gives "": numeric references are not looked up.
std::string GenreText(const TSlot& slot) {
  const std::string text = SlotText(slot);
  const size_t close = text.rfind(')');
  return close == std::string::npos ? text : text.substr(close + 1);
}

}  // namespace

int64_t ID3v2TagSizeBytes(std::span<const uint8_t> header) {
  const TByteReader h(header);
  // Added, not OR-ed: a size byte with bit 7 set carries into the next power of 128, as the
  // tag writers of the time computed it.
  int64_t size = int64_t{h.U8(6)} * (1 << 21) + int64_t{h.U8(7)} * (1 << 14) +
                 int64_t{h.U8(8)} * (1 << 7) + h.U8(9);
  size += kHeaderBytes;
  if (h.U8(5) & kTagFooter) size += kHeaderBytes;
  return size;
}

const TClassInfo& TID3v2::StaticClass() {
  static const TClassInfo info("TID3v2", &TPersistent::StaticClass(), {
      Publish("Exists", &TID3v2::Exists),
      Publish("VersionID", &TID3v2::VersionID),
      Publish("Size", &TID3v2::Size),
      Publish("Title", &TID3v2::Title),
      Publish("Artist", &TID3v2::Artist),
      Publish("Album", &TID3v2::Album),
      Publish("Track", &TID3v2::Track),
      Publish("TrackString", &TID3v2::TrackString),
      Publish("Year", &TID3v2::Year),
      Publish("Genre", &TID3v2::Genre),
      Publish("Comment", &TID3v2::Comment),
      Publish("Composer", &TID3v2::Composer),
      Publish("Encoder", &TID3v2::Encoder),
      Publish("Copyright", &TID3v2::Copyright),
      Publish("Language", &TID3v2::Language),
      Publish("Link", &TID3v2::Link),
  });
  return info;
}

TID3v2::TID3v2() { ResetData(); }

void TID3v2::ResetData() {
  FExists = false;
  FVersionID = 0;
  FSize = 0;
  FTrack = 0;
  for (std::string* s : {&FTitle, &FArtist, &FAlbum, &FTrackString, &FYear, &FGenre, &FComment,
                         &FComposer, &FEncoder, &FCopyright, &FLanguage, &FLink}) {
    s->clear();
  }
}

bool TID3v2::ReadFromFile(const std::string& FileName) {
  TFileReader file(FileName);
  return ReadFromFile(file);
}

bool TID3v2::ReadFromFile(TFileReader& file, int64_t tagAt) {
  ResetData();
  std::array<uint8_t, kHeaderBytes> bytes{};
  if (!file.Seek(tagAt) || !file.ReadExact(bytes.data(), bytes.size())) return false;
  const int64_t fileBytes = file.Size();
  const TByteReader header(bytes.data(), bytes.size());
  if (!header.Matches(0, "ID3")) return true;

  FExists = true;
  FVersionID = header.U8(3);
  const int64_t size = ID3v2TagSizeBytes(bytes);
  FSize = size > fileBytes - tagAt ? 0 : static_cast<int32_t>(size);
  if (FVersionID < 2 || FVersionID > 4 || FSize == 0) return true;

  TSlots slots;
  const uint8_t flags = header.U8(5);
  const int64_t footerBytes = (flags & kTagFooter) ? int64_t{kHeaderBytes} : 0;
  ScanFrames(file, {tagAt, FVersionID, flags, tagAt + FSize - footerBytes}, slots);
  FTitle = SlotText(slots[slTitle]);
  if (FTitle.empty()) FTitle = SlotText(slots[slContentGroup]);
  FArtist = SlotText(slots[slArtist]);
  if (FArtist.empty()) FArtist = SlotText(slots[slOrigArtist]);
  FAlbum = SlotText(slots[slAlbum]);
  if (FAlbum.empty()) FAlbum = SlotText(slots[slOrigAlbum]);
  FTrackString = SlotText(slots[slTrack]);
  FTrack = static_cast<uint16_t>(TrackNumber(FTrackString));
  FYear = SlotText(slots[slYear]);
  if (FYear.empty()) FYear = SlotText(slots[slRecordingTime]).substr(0, 4);
  FGenre = GenreText(slots[slGenre]);
  FComment = DescribedText(slots[slComment], true);
  FComposer = SlotText(slots[slComposer]);
  FEncoder = SlotText(slots[slEncoder]);
  FCopyright = SlotText(slots[slCopyright]);
  FLanguage = SlotText(slots[slLanguage]);
  FLink = DescribedText(slots[slLink], false);
  return true;
}

void TID3v2::SetTitle(const std::string& value) { FTitle = TrimControl(value); }
void TID3v2::SetArtist(const std::string& value) { FArtist = TrimControl(value); }
void TID3v2::SetAlbum(const std::string& value) { FAlbum = TrimControl(value); }
void TID3v2::SetYear(const std::string& value) { FYear = TrimControl(value); }
void TID3v2::SetGenre(const std::string& value) { FGenre = TrimControl(value); }
void TID3v2::SetComment(const std::string& value) { FComment = TrimControl(value); }
void TID3v2::SetComposer(const std::string& value) { FComposer = TrimControl(value); }
void TID3v2::SetEncoder(const std::string& value) { FEncoder = TrimControl(value); }
void TID3v2::SetCopyright(const std::string& value) { FCopyright = TrimControl(value); }
void TID3v2::SetLanguage(const std::string& value) { FLanguage = TrimControl(value); }
void TID3v2::SetLink(const std::string& value) { FLink = TrimControl(value); }
