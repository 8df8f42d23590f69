#include "tags/OggVorbis.h"

#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "tags/ByteReader.h"
#include "tags/ID3v2.h"
#include "tags/TagText.h"

namespace {

constexpr size_t kPageHeaderBytes = 282;  // 27 fixed bytes and the longest segment table
constexpr size_t kIdentBytes = 30;
constexpr size_t kCommentBytes = 250;  // a comment string is cut to this many bytes
// A comment count that claims more strings than anyone writes is not followed further: each
// string costs a read, and a file of zero-length strings could otherwise keep the reader busy.
constexpr uint64_t kMaxComments = 50000;

// The last page is searched for among the start offsets (size - 12060) to (size - 10).
constexpr int64_t kLastPageReachBytes = 12060;
constexpr int64_t kLastPageMarginBytes = 10;

// The comment fields read, each into its own slot; a later comment of a name replaces an
// earlier one.
enum TCommentField { cfTitle, cfArtist, cfAlbum, cfTrack, cfDate, cfGenre, cfComment,
                     cfPerformer, cfDescription, kFieldCount };
constexpr std::array<const char*, kFieldCount> kFieldNames = {
    "TITLE", "ARTIST", "ALBUM", "TRACKNUMBER", "DATE", "GENRE", "COMMENT", "PERFORMER",
    "DESCRIPTION"};

struct TComments {
  std::string Vendor;
  std::array<std::string, kFieldCount> Fields;
};

// The file seen through a copy of its first bytes: the headers and comments of nearly every file
// lie there, and reading each of those small pieces from the file would cost a system call.
class THeadCachedFile {
 public:
  explicit THeadCachedFile(TFileReader& file) : FFile(file) {
    if (file.Seek(0)) FHead = file.ReadUpTo(kHeadBytes);
  }
  int64_t Size() const { return FFile.Size(); }

  // Up to count bytes at offset into dest; the count read (short at the end of the file).
  size_t ReadAt(int64_t offset, void* dest, size_t count) {
    if (offset < 0) return 0;
    const uint64_t at = static_cast<uint64_t>(offset);
    if (at <= FHead.size() && count <= FHead.size() - at) {
      std::memcpy(dest, FHead.data() + at, count);
      return count;
    }
    return FFile.Seek(offset) ? FFile.Read(dest, count) : 0;
  }

  template <size_t N>
  std::array<uint8_t, N> ReadAt(int64_t offset) {
    std::array<uint8_t, N> bytes{};  // a short read leaves the rest zero
    ReadAt(offset, bytes.data(), N);
    return bytes;
  }

 private:
  static constexpr size_t kHeadBytes = 8192;
  TFileReader& FFile;
  std::vector<uint8_t> FHead;
};

// The size of an ID3v2 tag in front of the stream, 0 when there is none or it claims more than
// the file.
int32_t ID3v2SkipBytes(THeadCachedFile& file) {
  const auto header = file.ReadAt<10>(0);
  if (!TByteReader(header.data(), header.size()).Matches(0, "ID3")) return 0;
  const int64_t size = ID3v2TagSizeBytes(header);
  return size > file.Size() ? 0 : static_cast<int32_t>(size);
}

bool IsVorbisHeader(const TByteReader& packet, uint8_t type) {
  return packet.U8(0) == type && packet.Matches(1, "vorbis");
}

std::string AsciiUpper(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

// "NAME=value" into its slot; a string without "=" becomes the vendor string while there is
// none yet (kept as stored, not decoded).
void ParseComment(const std::string& text, TComments& comments) {
  const size_t eq = text.find('=');
  if (eq == std::string::npos) {
    if (comments.Vendor.empty()) comments.Vendor = text;
    return;
  }
  const std::string name = AsciiUpper(std::string_view(text).substr(0, eq));
  for (size_t i = 0; i < kFieldCount; ++i) {
    if (name == kFieldNames[i]) {
      comments.Fields[i] = VorbisCommentText(TrimControl(std::string_view(text).substr(eq + 1)));
    }
  }
}

// The vendor string, the comment count and the comments, each string as a 32-bit length and
// its bytes. Lengths are unsigned: one with the top bit set is just longer than 250. The walk
// ends at the end of the file when the count claims more strings than are there.
void ReadComments(THeadCachedFile& file, int64_t offset, TComments& comments) {
  uint64_t count = 0;
  for (uint64_t i = 0; i <= count && i <= kMaxComments; ++i) {
    uint8_t lengthBytes[4];
    if (file.ReadAt(offset, lengthBytes, 4) != 4) return;
    const uint32_t length = TByteReader(lengthBytes, 4).U32LE(0);
    std::array<char, kCommentBytes> text{};
    file.ReadAt(offset + 4, text.data(), length < kCommentBytes ? length : kCommentBytes);
    ParseComment(TrimControl(std::string_view(text.data(), text.size())), comments);
    offset += 4 + int64_t{length};
    if (i == 0) {
      uint8_t countBytes[4];
      if (file.ReadAt(offset, countBytes, 4) != 4) return;
      count = TByteReader(countBytes, 4).U32LE(0);
      offset += 4;
    }
  }
}

// The low 32 bits of the granule position of the last page that starts in the searched range,
// found by a backward scan; 0 when no page starts there. The range, (size - 12060) to
// (size - 10), is what 50 windows of 251 bytes stepping back by 241 cover; it is read at once.
// A file shorter than the range is scanned from its first byte.
int32_t LastGranulePosition(TFileReader& file) {
  const int64_t size = file.Size();
  const int64_t first = size > kLastPageReachBytes ? size - kLastPageReachBytes : 0;
  if (size - kLastPageMarginBytes < first || !file.Seek(first)) return 0;
  std::vector<uint8_t> tail = file.ReadUpTo(static_cast<size_t>(size - first));
  // rfind looks at the same start offsets, last first, and only where all four bytes are there.
  const std::string_view text(reinterpret_cast<const char*>(tail.data()), tail.size());
  const size_t at = text.rfind("OggS", static_cast<size_t>(size - kLastPageMarginBytes - first));
  if (at == std::string_view::npos) return 0;
  return static_cast<int32_t>(TByteReader(tail.data(), tail.size()).U32LE(at + 6));
}

uint16_t RoundToUInt16(double value) {
  if (!(std::fabs(value) < 9.2e18)) return 0;
  return static_cast<uint16_t>(static_cast<int64_t>(std::nearbyint(value)));
}

// Appends the code point as one UTF-16 unit or a surrogate pair.
void AppendUtf16(std::u16string& out, uint32_t cp) {
  if (cp < 0x10000) {
    out += static_cast<char16_t>(cp);
  } else {
    cp -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (cp >> 10));
    out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
  }
}

}  // namespace

// One- to three-byte sequences, the result kept in 16 bits. Four-byte sequences (the characters
// beyond the BMP, emoji among them) are decoded into a surrogate pair: read as three-byte ones
// they would turn into two wrong characters.
std::string VorbisCommentText(std::string_view utf8) {
  std::u16string units;
  size_t i = 0;
  while (i < utf8.size()) {
    const uint8_t lead = static_cast<uint8_t>(utf8[i++]);
    if (lead < 0x80) {
      units += static_cast<char16_t>(lead);
      continue;
    }
    int follow = 1;
    uint32_t cp = lead & 0x3F;
    if (lead >= 0xF0 && lead <= 0xF4) {
      follow = 3;
      cp = lead & 0x07;
    } else if (lead & 0x20) {
      follow = 2;
      cp = lead & 0x1F;
    }
    for (int k = 0; k < follow; ++k) {
      if (i >= utf8.size() || (static_cast<uint8_t>(utf8[i]) & 0xC0) != 0x80) {
        return WideToAnsiText(units);
      }
      cp = cp << 6 | (static_cast<uint8_t>(utf8[i++]) & 0x3F);
    }
    if (follow == 3 && cp > 0x10FFFF) return WideToAnsiText(units);
    AppendUtf16(units, follow == 3 ? cp : (cp & 0xFFFF));
  }
  return WideToAnsiText(units);
}

const TsMediaTagClass TOggVorbis::ClassRef = MakeClassRef<TOggVorbis>("TOggVorbis");

const TClassInfo& TOggVorbis::StaticClass() {
  static const TClassInfo info("TOggVorbis", &TsMediaTag::StaticClass(), {
      Publish("FileSize", &TOggVorbis::FileSize),
      Publish("ChannelModeID", &TOggVorbis::ChannelModeID),
      Publish("ChannelMode", &TOggVorbis::ChannelMode),
      Publish("SampleRate", &TOggVorbis::SampleRate),
      Publish("BitRateNominal", &TOggVorbis::BitRateNominal),
      Publish("Title", &TOggVorbis::Title),
      Publish("Artist", &TOggVorbis::Artist),
      Publish("Album", &TOggVorbis::Album),
      Publish("Track", &TOggVorbis::Track),
      Publish("Date", &TOggVorbis::Date),
      Publish("Genre", &TOggVorbis::Genre),
      Publish("Comment", &TOggVorbis::Comment),
      Publish("Vendor", &TOggVorbis::Vendor),
      Publish("Duration", &TOggVorbis::Duration),
      Publish("BitRate", &TOggVorbis::BitRate),
      Publish("ID3v2", &TOggVorbis::ID3v2),
      Publish("Valid", &TOggVorbis::Valid),
  });
  return info;
}

TOggVorbis::TOggVorbis() { ResetData(); }

void TOggVorbis::ResetData() {
  FFileSize = 0;
  FChannelModeID = 0;
  FSampleRate = 0;
  FBitRateNominal = 0;
  FTitle.clear();
  FArtist.clear();
  FAlbum.clear();
  FTrack = 0;
  FDate.clear();
  FGenre.clear();
  FComment.clear();
  FVendor.clear();
  FSampleCount = 0;
  FID3v2Size = 0;
}

bool TOggVorbis::ReadFromFile(const std::string& FileName) {
  ResetData();
  // A file that cannot be opened is a rejection like any other: the front-end moves on.
  TFileReader openFile(FileName);
  if (!openFile.IsOpen()) return false;
  THeadCachedFile file(openFile);
  FFileSize = static_cast<int32_t>(file.Size());
  FID3v2Size = ID3v2SkipBytes(file);

  // A file that is not Vorbis keeps nothing, its size included.
  const auto firstPage = file.ReadAt<kPageHeaderBytes>(FID3v2Size);
  const int64_t identAt = int64_t{FID3v2Size} + 27 + firstPage[26];
  const auto identBytes = file.ReadAt<kIdentBytes>(identAt);
  const TByteReader ident(identBytes.data(), identBytes.size());
  if (!TByteReader(firstPage.data(), firstPage.size()).Matches(0, "OggS") ||
      !IsVorbisHeader(ident, 1)) {
    ResetData();
    return false;
  }

  // The identification packet fills the first page, so the second page starts right after it.
  const int64_t secondPageAt = identAt + kIdentBytes;
  const auto secondPage = file.ReadAt<kPageHeaderBytes>(secondPageAt);
  const int64_t commentAt = secondPageAt + 27 + secondPage[26];
  const auto commentHeader = file.ReadAt<7>(commentAt);
  TComments comments;
  if (IsVorbisHeader(TByteReader(commentHeader.data(), commentHeader.size()), 3)) {
    ReadComments(file, commentAt + 7, comments);
  }
  FSampleCount = LastGranulePosition(openFile);

  FChannelModeID = ident.U8(11);
  FSampleRate = static_cast<uint16_t>(ident.U32LE(12));
  FBitRateNominal = RoundToUInt16(static_cast<int32_t>(ident.U32LE(20)) / 1000.0);
  const auto& f = comments.Fields;
  FTitle = f[cfTitle];
  FArtist = f[cfArtist].empty() ? f[cfPerformer] : f[cfArtist];
  FAlbum = f[cfAlbum];
  FTrack = static_cast<uint8_t>(TrackNumber(f[cfTrack]));  // modulo 256
  FDate = f[cfDate];
  FGenre = f[cfGenre];
  FComment = f[cfComment].empty() ? f[cfDescription] : f[cfComment];
  FVendor = comments.Vendor;
  return true;
}

std::string TOggVorbis::ChannelMode() const {
  switch (FChannelModeID) {
    case 1: return "Mono";
    case 2: return "Stereo";
    default: return "Unknown";  // no name for 0 or for more than two channels
  }
}

double TOggVorbis::Duration() const {
  if (FSampleCount > 0) {
    return FSampleRate > 0 ? static_cast<double>(FSampleCount) / FSampleRate : 0;
  }
  // Without a last page: an estimate from the nominal bit rate.
  if (FBitRateNominal > 0 && FChannelModeID > 0) {
    return static_cast<double>(int64_t{FFileSize} - FID3v2Size) / FBitRateNominal /
           FChannelModeID / 125 * 2;
  }
  return 0;
}

uint16_t TOggVorbis::BitRate() const {
  const double seconds = Duration();
  if (seconds <= 0) return 0;
  return RoundToUInt16(static_cast<double>(int64_t{FFileSize} - FID3v2Size) / seconds / 125);
}

bool TOggVorbis::Valid() const {
  return (FChannelModeID == 1 || FChannelModeID == 2) && FSampleRate > 0 && Duration() > 0.1 &&
         BitRate() > 0;
}
