#include "tags/WAVfile.h"

#include <algorithm>
#include <array>
#include <vector>

#include "tags/ByteReader.h"
#include "tags/ID3v2.h"
#include "tags/TagText.h"

namespace {

constexpr size_t kHeaderBytes = 40;  // RIFF header, format chunk and the next chunk's identifier

// Offsets in the header.
constexpr size_t kRiffAt = 0, kRiffSizeAt = 4, kWaveAt = 8, kFmtAt = 12, kFmtSizeAt = 16;
constexpr size_t kFormatTagAt = 20, kChannelsAt = 22, kSampleRateAt = 24, kBytesPerSecondAt = 28;
constexpr size_t kBlockAlignAt = 32, kBitsPerSampleAt = 34, kNextChunkAt = 36;

struct TFormatName {
  uint16_t id;
  const char* name;
};

constexpr std::array<TFormatName, 6> kFormatNames = {{
    {1, "Windows PCM"},
    {2, "Microsoft ADPCM"},
    {6, "A-LAW"},
    {7, "MU-LAW"},
    {17, "DVI/IMA ADPCM"},
    {85, "MPEG Layer III"},
}};

bool HeaderChecksPass(const TByteReader& h) {
  const uint16_t channels = h.U16LE(kChannelsAt);
  return h.Matches(kRiffAt, "RIFF") && h.Matches(kWaveAt, "WAVE") && h.Matches(kFmtAt, "fmt ") &&
         (channels == 1 || channels == 2);
}

// The sample count of the chunk after the format chunk, when that chunk is a fact chunk. The
// chunk is found from the stored format chunk size; taking any chunk there as the fact chunk
// would read the text of a LIST chunk (ffmpeg writes one) or audio bytes as a sample count.
// Nothing when the 12 bytes cannot be read.
bool ReadFactSampleCount(TFileReader& file, uint32_t fmtSizeBytes, int32_t& count) {
  std::array<uint8_t, 12> chunk{};
  if (!file.Seek(int64_t{fmtSizeBytes} + 20) || !file.ReadExact(chunk.data(), chunk.size())) {
    return false;
  }
  const TByteReader r(chunk.data(), chunk.size());
  count = r.Matches(0, "fact") ? static_cast<int32_t>(r.U32LE(8)) : 0;
  return true;
}

// The chunks behind the format chunk. Taggers and rippers keep a WAV file's tags in a LIST
// chunk of form "INFO" or in an "id3 " (or "ID3 ") chunk holding an ID3v2 tag; either may
// come before or after the data chunk. Every chunk body is padded to an even size.
constexpr int64_t kFirstChunkAt = 12;
constexpr size_t kChunkHeaderBytes = 8;
constexpr int kMaxChunks = 1000;             // real files have a handful; the walk must end
constexpr size_t kMaxInfoListBytes = 65536;  // only the start of a huge LIST chunk is looked at
constexpr size_t kMaxTextBytes = 500;        // as much of each text as an ID3v2 frame gives

struct TTexts {
  std::string Title, Artist, Album;
};

// INFO items: INAM title, IART artist, IPRD album (the "product"). Their text is 8-bit as the
// writer stored it, usually with a zero byte at its end. A LIST of another form (adtl: cue
// labels) leaves the texts as they were.
void TakeInfoTexts(std::span<const uint8_t> list, TTexts& texts) {
  TByteReader r(list);
  if (!r.Matches(0, "INFO")) return;
  r.Skip(4);
  while (r.Remaining() >= kChunkHeaderBytes) {
    const size_t at = r.Pos();
    const uint32_t size = r.U32LE(at + 4);
    r.Skip(kChunkHeaderBytes);
    const std::string text = TrimControl(r.Text(r.Pos(), std::min<size_t>(size, kMaxTextBytes)));
    if (r.Matches(at, "INAM")) texts.Title = text;
    if (r.Matches(at, "IART")) texts.Artist = text;
    if (r.Matches(at, "IPRD")) texts.Album = text;
    r.Skip(size);
    r.Skip(size & 1);
  }
}

TTexts Id3Texts(TFileReader& file, int64_t tagAt) {
  TID3v2 tag;
  tag.ReadFromFile(file, tagAt);
  return {tag.Title(), tag.Artist(), tag.Album()};
}

}  // namespace

const TsMediaTagClass TWAVfile::ClassRef = MakeClassRef<TWAVfile>("TWAVfile");

const TClassInfo& TWAVfile::StaticClass() {
  static const TClassInfo info("TWAVfile", &TsMediaTag::StaticClass(), {
      Publish("Valid", &TWAVfile::Valid),
      Publish("FormatID", &TWAVfile::FormatID),
      Publish("Format", &TWAVfile::Format),
      Publish("ChannelNumber", &TWAVfile::ChannelNumber),
      Publish("ChannelMode", &TWAVfile::ChannelMode),
      Publish("SampleRate", &TWAVfile::SampleRate),
      Publish("BytesPerSecond", &TWAVfile::BytesPerSecond),
      Publish("BlockAlign", &TWAVfile::BlockAlign),
      Publish("BitsPerSample", &TWAVfile::BitsPerSample),
      Publish("HeaderSize", &TWAVfile::HeaderSize),
      Publish("FileSize", &TWAVfile::FileSize),
      Publish("Duration", &TWAVfile::Duration),
      Publish("Title", &TWAVfile::Title),
      Publish("Artist", &TWAVfile::Artist),
      Publish("Album", &TWAVfile::Album),
  });
  return info;
}

TWAVfile::TWAVfile() { ResetData(); }

void TWAVfile::ResetData() {
  FValid = false;
  FFormatID = 0;
  FChannelNumber = 0;
  FSampleRate = 0;
  FBytesPerSecond = 0;
  FBlockAlign = 0;
  FBitsPerSample = 0;
  FFactSampleCount = 0;
  FHeaderSize = 0;
  FFileSize = 0;
  FDataBytes = -1;
  FTitle.clear();
  FArtist.clear();
  FAlbum.clear();
}

bool TWAVfile::ReadFromFile(const std::string& FileName) {
  ResetData();
  std::array<uint8_t, kHeaderBytes> header{};
  const TByteReader h(header.data(), header.size());
  int32_t factCount = 0;
  TFileReader file(FileName);
  if (!file.IsOpen() || !file.ReadExact(header.data(), header.size())) return false;
  const bool dataFollows = h.Matches(kNextChunkAt, "data");
  if (!dataFollows && !ReadFactSampleCount(file, h.U32LE(kFmtSizeAt), factCount)) return false;
  if (!HeaderChecksPass(h)) return true;

  FValid = true;
  FFormatID = h.U16LE(kFormatTagAt);
  FChannelNumber = static_cast<uint8_t>(h.U16LE(kChannelsAt));
  FSampleRate = h.U32LE(kSampleRateAt);
  FBytesPerSecond = h.U32LE(kBytesPerSecondAt);
  FBlockAlign = h.U16LE(kBlockAlignAt);
  FBitsPerSample = static_cast<uint8_t>(h.U16LE(kBitsPerSampleAt));
  FFactSampleCount = factCount;
  // The header is taken to end after the format chunk and one more chunk header: the canonical
  // 44 bytes, or a fact chunk of 12 bytes (its 8-byte header and count) plus the data header.
  if (h.Matches(kNextChunkAt, "data")) {
    FHeaderSize = 44;
  } else {
    FHeaderSize = static_cast<uint16_t>(h.U32LE(kFmtSizeAt) + 40);
  }
  FFileSize = h.U32LE(kRiffSizeAt) + 8;
  if (FFileSize < FHeaderSize) FHeaderSize = static_cast<uint16_t>(FFileSize);
  ReadChunks(file);
  return true;
}

// Walks the chunks for the data chunk's size and the tags. The ID3 chunk's texts win over the
// INFO texts, each field on its own. Whatever cannot be read just ends the walk.
void TWAVfile::ReadChunks(TFileReader& file) {
  const int64_t fileBytes = file.Size();
  TTexts info, id3;
  bool id3Read = false;
  int64_t at = kFirstChunkAt;
  for (int n = 0; n < kMaxChunks; ++n) {
    std::array<uint8_t, kChunkHeaderBytes> bytes{};
    if (!file.Seek(at) || !file.ReadExact(bytes.data(), bytes.size())) break;
    const TByteReader chunk(bytes.data(), bytes.size());
    const uint32_t size = chunk.U32LE(4);
    const int64_t bodyAt = at + int64_t{kChunkHeaderBytes};
    if (chunk.Matches(0, "data")) {
      // A writer that could not seek back leaves the size open (0xFFFFFFFF): the file ends it.
      FDataBytes = std::min<int64_t>(size, fileBytes - bodyAt);
    } else if (chunk.Matches(0, "LIST")) {
      TakeInfoTexts(file.ReadUpTo(std::min<size_t>(size, kMaxInfoListBytes)), info);
    } else if ((chunk.Matches(0, "id3 ") || chunk.Matches(0, "ID3 ")) && !id3Read) {
      // Only the first: a tag may claim more than its chunk, and a thousand such chunks would
      // each walk the rest of the file.
      id3 = Id3Texts(file, bodyAt);
      id3Read = true;
    }
    at = bodyAt + int64_t{size} + (size & 1);
  }
  FTitle = id3.Title.empty() ? info.Title : id3.Title;
  FArtist = id3.Artist.empty() ? info.Artist : id3.Artist;
  FAlbum = id3.Album.empty() ? info.Album : id3.Album;
}

std::string TWAVfile::Format() const {
  for (const TFormatName& f : kFormatNames) {
    if (f.id == FFormatID) return f.name;
  }
  return "";
}

std::string TWAVfile::ChannelMode() const {
  switch (FChannelNumber) {
    case 1: return "Mono";
    case 2: return "Stereo";
    default: return "Unknown";
  }
}

double TWAVfile::Duration() const {
  if (!FValid) return 0;
  double seconds = 0;
  if (FFactSampleCount == 0 && FBytesPerSecond > 0) {
    // The data chunk's size where there is one: the RIFF size also counts the chunks behind
    // the audio (tags), which would lengthen the play time.
    const double audioBytes = FDataBytes >= 0
                                  ? static_cast<double>(FDataBytes)
                                  : static_cast<uint32_t>(FFileSize - FHeaderSize);
    seconds = audioBytes / FBytesPerSecond;
  }
  // A count with its top bit set is negative here and gives 0.
  if (FFactSampleCount > 0 && FSampleRate > 0) {
    seconds = static_cast<double>(FFactSampleCount) / FSampleRate;
  }
  return seconds;
}
