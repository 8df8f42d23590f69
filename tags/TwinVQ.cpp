#include "tags/TwinVQ.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "tags/ByteReader.h"
#include "tags/TagText.h"

namespace {

// Header fields; each is a big-endian 32-bit number of which the low 16 bits are used.
constexpr size_t kHeaderSizeAt = 12, kChannelModeAt = 24, kBitRateAt = 28, kSampleRateAt = 32;
constexpr int64_t kFirstChunkAt = 16;
constexpr size_t kChunkHeaderBytes = 8;

// The chunks whose text is kept, in the order of comparison.
constexpr std::array<std::string_view, 6> kChunkIds = {"NAME", "COMT", "AUTH",
                                                       "(c) ", "FILE", "ALBM"};
using TChunkTexts = std::array<std::string, kChunkIds.size()>;

constexpr std::array<const char*, 3> kChannelModes = {"Unknown", "Mono", "Stereo"};

uint16_t Low16(const TByteReader& header, size_t at) { return header.U16BE(at + 2); }

uint16_t SampleRateOf(uint16_t code) {
  switch (code) {
    case 11: return 11025;
    case 22: return 22050;
    case 44: return 44100;
    default: return static_cast<uint16_t>(code * 1000u);  // modulo 65536
  }
}

bool EndsChunkList(std::string_view id) {
  for (char c : id) {
    if (static_cast<uint8_t>(c) < 0x20) return true;
  }
  return id == "DATA";
}

// Walks the chunks from the common chunk on. A chunk's text is its body's first 250 bytes,
// zero-padded; the next chunk starts after the whole body as its stored size says. The walk
// ends quietly at "DATA", at a non-text identifier, at the end of the file or at a short read,
// keeping what it gathered.
TChunkTexts WalkChunks(TFileReader& file) {
  TChunkTexts texts;
  int64_t chunkAt = kFirstChunkAt;
  for (int chunk = 0; chunk < TTwinVQ::kMaxChunks && chunkAt < file.Size(); ++chunk) {
    std::array<uint8_t, kChunkHeaderBytes> header{};
    if (!file.Seek(chunkAt) || !file.ReadExact(header.data(), header.size())) break;
    const TByteReader h(header);
    const std::string id = h.Text(0, 4);
    if (EndsChunkList(id)) break;
    const uint16_t bodyBytes = Low16(h, 4);
    std::array<uint8_t, TTwinVQ::kValueBytes> value{};
    const size_t keptBytes = std::min<size_t>(bodyBytes, value.size());
    if (!file.ReadExact(value.data(), keptBytes)) break;
    for (size_t i = 0; i < kChunkIds.size(); ++i) {
      if (id == kChunkIds[i]) texts[i].assign(value.begin(), value.end());
    }
    // Sizes are unsigned, so the walk only moves forward.
    chunkAt += static_cast<int64_t>(kChunkHeaderBytes) + bodyBytes;
  }
  return texts;
}

}  // namespace

const TsMediaTagClass TTwinVQ::ClassRef = MakeClassRef<TTwinVQ>("TTwinVQ");

const TClassInfo& TTwinVQ::StaticClass() {
  static const TClassInfo info("TTwinVQ", &TsMediaTag::StaticClass(), {
      Publish("Valid", &TTwinVQ::Valid),
      Publish("ChannelModeID", &TTwinVQ::ChannelModeID),
      Publish("ChannelMode", &TTwinVQ::ChannelMode),
      Publish("BitRate", &TTwinVQ::BitRate),
      Publish("SampleRate", &TTwinVQ::SampleRate),
      Publish("FileSize", &TTwinVQ::FileSize),
      Publish("Duration", &TTwinVQ::Duration),
      Publish("Title", &TTwinVQ::Title),
      Publish("Comment", &TTwinVQ::Comment),
      Publish("Author", &TTwinVQ::Author),
      Publish("Copyright", &TTwinVQ::Copyright),
      Publish("OriginalFile", &TTwinVQ::OriginalFile),
      Publish("Album", &TTwinVQ::Album),
      Publish("Corrupted", &TTwinVQ::Corrupted),
  });
  return info;
}

TTwinVQ::TTwinVQ() { ResetData(); }

void TTwinVQ::ResetData() {
  FValid = false;
  FChannelModeID = 0;
  FBitRate = 0;
  FSampleRate = 0;
  FFileSize = 0;
  FDuration = 0;
  FTitle.clear();
  FComment.clear();
  FAuthor.clear();
  FCopyright.clear();
  FOriginalFile.clear();
  FAlbum.clear();
}

bool TTwinVQ::ReadFromFile(const std::string& FileName) {
  ResetData();
  TFileReader file(FileName);
  std::array<uint8_t, kHeaderBytes> bytes{};
  if (!file.IsOpen() || !file.ReadExact(bytes.data(), bytes.size())) return false;
  const TByteReader header(bytes);
  if (!header.Matches(0, "TWIN")) return true;

  FValid = true;
  const uint16_t mode = Low16(header, kChannelModeAt);
  FChannelModeID = mode == 0 ? 1 : mode == 1 ? 2 : 0;
  const uint16_t bitRate = Low16(header, kBitRateAt);
  FBitRate = static_cast<uint8_t>(bitRate);
  FSampleRate = SampleRateOf(Low16(header, kSampleRateAt));
  FFileSize = static_cast<uint32_t>(file.Size());
  // The audio follows the header and the 20 bytes in front of it; a bit rate of 0 gives no
  // play time rather than a division by zero.
  const int32_t audioBytes = static_cast<int32_t>(FFileSize - Low16(header, kHeaderSizeAt) - 20u);
  FDuration = bitRate == 0 ? 0 : std::llabs(int64_t{audioBytes}) / 125.0 / bitRate;

  const TChunkTexts texts = WalkChunks(file);
  FTitle = TrimControl(texts[0]);
  FComment = TrimControl(texts[1]);
  FAuthor = TrimControl(texts[2]);
  FCopyright = TrimControl(texts[3]);
  FOriginalFile = TrimControl(texts[4]);
  FAlbum = TrimControl(texts[5]);
  return true;
}

std::string TTwinVQ::ChannelMode() const {
  return FChannelModeID < kChannelModes.size() ? kChannelModes[FChannelModeID] : "Unknown";
}

bool TTwinVQ::Corrupted() const {
  if (!FValid) return false;
  const bool sound = FChannelModeID != 0 && FBitRate >= 8 && FBitRate <= 192 &&
                     FSampleRate >= 8000 && FSampleRate <= 44100 && FDuration >= 0.1 &&
                     FDuration <= 10000;
  return !sound;
}
