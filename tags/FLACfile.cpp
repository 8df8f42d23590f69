#include "tags/FLACfile.h"

#include <array>
#include <span>

#include "tags/ByteReader.h"
#include "tags/OggVorbis.h"
#include "tags/TagText.h"

namespace {

constexpr size_t kHeaderBytes = 26;  // marker, first block header, stream information to samples
constexpr unsigned kMarkerByteSum = 'f' + 'L' + 'a' + 'C';  // 342

// Metadata blocks after the marker: a header byte (0x80 = last block, low 7 bits the type)
// and a 24-bit big-endian length.
constexpr uint8_t kVorbisCommentBlock = 4;
constexpr uint8_t kInvalidBlock = 127;
constexpr int kMaxBlocks = 1024;  // real files have a handful; the walk must end on any input

struct TCommentTexts {
  std::string Title, Artist, Performer, Album;
};

std::string AsciiUpper(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

void TakeComment(std::string_view comment, TCommentTexts& texts) {
  const size_t eq = comment.find('=');
  if (eq == std::string_view::npos) return;
  const std::string name = AsciiUpper(comment.substr(0, eq));
  std::string* slot = name == "TITLE"       ? &texts.Title
                      : name == "ARTIST"    ? &texts.Artist
                      : name == "PERFORMER" ? &texts.Performer
                      : name == "ALBUM"     ? &texts.Album
                                            : nullptr;
  if (slot != nullptr) *slot = VorbisCommentText(TrimControl(comment.substr(eq + 1)));
}

// Vendor string, comment count, comments: each string a little-endian 32-bit length and its
// bytes. A length or count that the block cannot hold ends the list.
TCommentTexts ParseCommentBlock(std::span<const uint8_t> body) {
  TCommentTexts texts;
  TByteReader r(body);
  r.Skip(r.ReadU32LE());
  uint32_t count = r.ReadU32LE();
  while (count-- > 0 && r.Remaining() >= 4) {
    const uint32_t length = r.ReadU32LE();
    if (length > r.Remaining()) break;
    const std::span<const uint8_t> text = r.Bytes(r.Pos(), length);
    TakeComment(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()), texts);
    r.Skip(length);
  }
  return texts;
}

}  // namespace

const TsMediaTagClass TFLACfile::ClassRef = MakeClassRef<TFLACfile>("TFLACfile");

const TClassInfo& TFLACfile::StaticClass() {
  static const TClassInfo info("TFLACfile", &TsMediaTag::StaticClass(), {
      Publish("Channels", &TFLACfile::Channels),
      Publish("SampleRate", &TFLACfile::SampleRate),
      Publish("BitsPerSample", &TFLACfile::BitsPerSample),
      Publish("FileLength", &TFLACfile::FileLength),
      Publish("Samples", &TFLACfile::Samples),
      Publish("ID3v1", &TFLACfile::ID3v1),
      Publish("ID3v2", &TFLACfile::ID3v2),
      Publish("Valid", &TFLACfile::Valid),
      Publish("Duration", &TFLACfile::Duration),
      Publish("Ratio", &TFLACfile::Ratio),
      Publish("Title", &TFLACfile::Title),
      Publish("Artist", &TFLACfile::Artist),
      Publish("Album", &TFLACfile::Album),
  });
  return info;
}

TFLACfile::TFLACfile() : FID3v1(std::make_unique<TID3v1>()), FID3v2(std::make_unique<TID3v2>()) {
  ResetData();
}

void TFLACfile::ResetData() {
  FChannels = 0;
  FSampleRate = 0;
  FBitsPerSample = 0;
  FFileLength = 0;
  FSamples = 0;
  FTitle.clear();
  FArtist.clear();
  FAlbum.clear();
  FID3v1->ResetData();
  FID3v2->ResetData();
}

bool TFLACfile::ReadFromFile(const std::string& FileName) {
  ResetData();
  std::array<uint8_t, kHeaderBytes> header{};
  TFileReader file(FileName);
  if (!file.IsOpen() || !file.ReadExact(header.data(), header.size())) return false;
  FFileLength = static_cast<int32_t>(file.Size());
  // Any four bytes with the marker's byte sum pass, as they always have.
  if (header[0] + header[1] + header[2] + header[3] != kMarkerByteSum) return true;

  const TByteReader h(header.data(), header.size());
  const uint8_t b20 = h.U8(20);
  FSampleRate = static_cast<int32_t>(h.U8(18) << 12 | h.U8(19) << 4 | b20 >> 4);
  FChannels = static_cast<uint8_t>((b20 >> 1 & 7) + 1);
  FBitsPerSample = static_cast<uint8_t>((b20 & 1) * 16 + (h.U8(21) >> 4) + 1);
  FSamples = static_cast<int32_t>(h.U32BE(22));  // the top 4 bits of the count are ignored
  if (h.Matches(0, "fLaC")) ReadComments(file);
  return true;
}

// Walks the metadata blocks to the Vorbis comment block. Anything unreadable just leaves the
// texts empty: the stream information already read stands.
void TFLACfile::ReadComments(TFileReader& file) {
  int64_t blockAt = 4;
  for (int n = 0; n < kMaxBlocks; ++n) {
    uint8_t blockHeader[4];
    if (!file.Seek(blockAt) || !file.ReadExact(blockHeader, 4)) return;
    const uint8_t type = blockHeader[0] & 0x7F;
    const uint32_t length = TByteReader(blockHeader, 4).U24BE(1);
    if (type == kInvalidBlock) return;
    if (type == kVorbisCommentBlock) {
      const std::vector<uint8_t> body = file.ReadUpTo(length);
      const TCommentTexts texts = ParseCommentBlock(body);
      FTitle = texts.Title;
      FArtist = texts.Artist.empty() ? texts.Performer : texts.Artist;
      FAlbum = texts.Album;
      return;
    }
    if (blockHeader[0] & 0x80) return;  // that was the last block
    blockAt += 4 + int64_t{length};
  }
}

bool TFLACfile::Valid() const {
  return FChannels > 0 && FSampleRate > 0 && FBitsPerSample > 0 && FSamples > 0;
}

double TFLACfile::Duration() const {
  return Valid() ? static_cast<double>(FSamples) / FSampleRate : 0;
}

double TFLACfile::Ratio() const {
  if (!Valid()) return 0;
  const double rawBytes = static_cast<double>(FChannels) * FSamples * FBitsPerSample / 8;
  return FFileLength / rawBytes * 100;
}
