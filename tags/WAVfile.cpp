#include "tags/WAVfile.h"

#include <array>

#include "tags/ByteReader.h"

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
}

bool TWAVfile::ReadFromFile(const std::string& FileName) {
  ResetData();
  std::array<uint8_t, kHeaderBytes> header{};
  const TByteReader h(header.data(), header.size());
  int32_t factCount = 0;
  {
    TFileReader file(FileName);
    if (!file.IsOpen() || !file.ReadExact(header.data(), header.size())) return false;
    const bool dataFollows = h.Matches(kNextChunkAt, "data");
    if (!dataFollows && !ReadFactSampleCount(file, h.U32LE(kFmtSizeAt), factCount)) return false;
  }
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
  return true;
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
    seconds = static_cast<double>(static_cast<uint32_t>(FFileSize - FHeaderSize)) / FBytesPerSecond;
  }
  // A count with its top bit set is negative here and gives 0.
  if (FFactSampleCount > 0 && FSampleRate > 0) {
    seconds = static_cast<double>(FFactSampleCount) / FSampleRate;
  }
  return seconds;
}
