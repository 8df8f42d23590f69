#include "tags/Monkey.h"

#include <array>
#include <cstdio>

#include "tags/ByteReader.h"

namespace {

// Fields of the header that encoders before 3.98 wrote (40 bytes).
constexpr size_t kIdAt = 0, kVersionAt = 4, kLevelAt = 6, kFlagsAt = 8, kChannelsAt = 10,
                 kSampleRateAt = 12, kTotalFramesAt = 24, kFinalBlocksAt = 28, kPeakAt = 32;

// Version 3.98 and later: a descriptor (identifier and version where the old header has them,
// then its own size at 8), followed by a 24-byte header with fields of its own.
constexpr uint16_t kDescriptorVersion = 3980;
constexpr size_t kDescriptorBytesAt = 8;
constexpr size_t kNewHeaderBytes = 24;
// (Its format flags at 2 change nothing read here: the sample width has a field of its own.)
constexpr size_t kNewLevelAt = 0, kNewBlocksPerFrameAt = 4,
                 kNewFinalBlocksAt = 8, kNewTotalFramesAt = 12, kNewBitsAt = 16,
                 kNewChannelsAt = 18, kNewSampleRateAt = 20;

// Format flags of the old header.
constexpr uint16_t kFlag8Bit = 1, kFlagPeakLevel = 4, kFlag24Bit = 8;

// Monkey's Audio names its levels by thousands; 5000 ("Insane") came with later encoders.
constexpr std::array<const char*, 6> kCompressionNames = {"Unknown", "Fast",       "Normal",
                                                          "High",    "Extra High", "Insane"};
constexpr std::array<const char*, 3> kChannelModes = {"Unknown", "Mono", "Stereo"};

// Before 3.98 the frame length followed from the version and the level.
uint32_t OldBlocksPerFrame(uint16_t version, uint16_t level) {
  if (version >= 3950) return 294912;
  if (version >= 3900 || (version >= 3800 && level == 4000)) return 73728;
  return 9216;
}

TMonkeyStream OldLayout(const TByteReader& h) {
  TMonkeyStream s;
  s.IsMac = h.Matches(kIdAt, "MAC ");
  s.Version = h.U16LE(kVersionAt);
  s.Level = h.U16LE(kLevelAt);
  s.Channels = h.U16LE(kChannelsAt);
  s.SampleRate = static_cast<int32_t>(h.U32LE(kSampleRateAt));
  s.TotalFrames = h.U32LE(kTotalFramesAt);
  s.FinalBlocks = h.U32LE(kFinalBlocksAt);
  s.BlocksPerFrame = OldBlocksPerFrame(s.Version, s.Level);
  const uint16_t flags = h.U16LE(kFlagsAt);
  s.Bits = (flags & kFlag24Bit) ? 24 : (flags & kFlag8Bit) ? 8 : 16;
  // A level the flags declare absent is whatever the encoder left there.
  s.HasPeak = flags & kFlagPeakLevel;
  s.PeakLevel = s.HasPeak ? h.U32LE(kPeakAt) : 0;
  return s;
}

// The header behind the descriptor; a header that cannot be read leaves the stream invalid.
TMonkeyStream NewLayout(TFileReader& file, int64_t descriptorAt, const TByteReader& d) {
  TMonkeyStream s;
  s.IsMac = d.Matches(kIdAt, "MAC ");
  s.Version = d.U16LE(kVersionAt);
  std::array<uint8_t, kNewHeaderBytes> bytes{};
  if (!file.Seek(descriptorAt + d.U32LE(kDescriptorBytesAt)) ||
      !file.ReadExact(bytes.data(), bytes.size())) {
    return s;
  }
  const TByteReader h(bytes.data(), bytes.size());
  s.Level = h.U16LE(kNewLevelAt);
  s.Channels = h.U16LE(kNewChannelsAt);
  s.SampleRate = static_cast<int32_t>(h.U32LE(kNewSampleRateAt));
  s.TotalFrames = h.U32LE(kNewTotalFramesAt);
  s.FinalBlocks = h.U32LE(kNewFinalBlocksAt);
  s.BlocksPerFrame = h.U32LE(kNewBlocksPerFrameAt);
  s.Bits = static_cast<uint8_t>(h.U16LE(kNewBitsAt));
  return s;
}

}  // namespace

const TsMediaTagClass TMonkey::ClassRef = MakeClassRef<TMonkey>("TMonkey");

const TClassInfo& TMonkey::StaticClass() {
  static const TClassInfo info("TMonkey", &TsMediaTag::StaticClass(), {
      Publish("ID3v1", &TMonkey::ID3v1),
      Publish("ID3v2", &TMonkey::ID3v2),
      Publish("APEtag", &TMonkey::APEtag),
      Publish("Valid", &TMonkey::Valid),
      Publish("Version", &TMonkey::Version),
      Publish("Compression", &TMonkey::Compression),
      Publish("Bits", &TMonkey::Bits),
      Publish("ChannelMode", &TMonkey::ChannelMode),
      Publish("Peak", &TMonkey::Peak),
      Publish("Samples", &TMonkey::Samples),
      Publish("Duration", &TMonkey::Duration),
      Publish("Ratio", &TMonkey::Ratio),
  });
  return info;
}

TMonkey::TMonkey()
    : FID3v1(std::make_unique<TID3v1>()),
      FID3v2(std::make_unique<TID3v2>()),
      FAPEtag(std::make_unique<TAPEtag>()) {
  ResetData();
}

void TMonkey::ResetData() {
  FFileSize = 0;
  FStream = {};
  FID3v1->ResetData();
  FID3v2->ResetData();
  FAPEtag->ResetData();
}

bool TMonkey::ReadFromFile(const std::string& FileName) {
  ResetData();
  // One open for the tags and the header, read in the same order as with an open each.
  TFileReader file(FileName);
  const bool tagsRead = FID3v1->ReadFromFile(file) && FID3v2->ReadFromFile(file) &&
                        FAPEtag->ReadFromFile(file);
  if (tagsRead && ReadHeader(file)) return true;
  ResetData();
  return false;
}

bool TMonkey::ReadHeader(TFileReader& file) {
  if (!file.IsOpen()) return false;
  FFileSize = static_cast<int32_t>(static_cast<uint32_t>(file.Size()));
  const int64_t headerAt = FID3v2->Size();
  std::array<uint8_t, kHeaderBytes> bytes{};
  if (!file.Seek(headerAt) || !file.ReadExact(bytes.data(), bytes.size())) return false;
  const TByteReader h(bytes.data(), bytes.size());
  FStream = h.U16LE(kVersionAt) >= kDescriptorVersion ? NewLayout(file, headerAt, h) : OldLayout(h);
  return true;
}

bool TMonkey::Valid() const {
  return FStream.IsMac && FStream.SampleRate > 0 && FStream.Channels > 0;
}

std::string TMonkey::Version() const {
  if (FStream.Version == 0) return "";
  char text[16];
  std::snprintf(text, sizeof text, "%4.2f", FStream.Version / 1000.0);
  return text;
}

std::string TMonkey::Compression() const {
  const size_t index = FStream.Level / 1000;
  return index < kCompressionNames.size() ? kCompressionNames[index] : "Unknown";
}

uint8_t TMonkey::Bits() const { return Valid() ? FStream.Bits : 0; }

std::string TMonkey::ChannelMode() const {
  return FStream.Channels < kChannelModes.size() ? kChannelModes[FStream.Channels] : "Unknown";
}

double TMonkey::Peak() const {
  if (!Valid() || !FStream.HasPeak) return 0;
  const double level = FStream.PeakLevel;
  switch (Bits()) {
    case 16: return level / 32768 * 100;
    case 24: return level / 8388608 * 100;
    default: return level / 128 * 100;
  }
}

int32_t TMonkey::Samples() const {
  if (!Valid()) return 0;
  // 32-bit arithmetic that wraps like the stored fields do, never signed overflow.
  const uint32_t samples = FStream.BlocksPerFrame * (FStream.TotalFrames - 1) + FStream.FinalBlocks;
  return static_cast<int32_t>(samples);
}

double TMonkey::Duration() const {
  if (!Valid()) return 0;
  return static_cast<double>(Samples()) / FStream.SampleRate;
}

double TMonkey::Ratio() const {
  if (!Valid()) return 0;
  // The size of a canonical WAV file of the same audio: 44 header bytes plus the samples.
  const int64_t wavBytes = static_cast<int64_t>(Samples()) * FStream.Channels * Bits() / 8 + 44;
  if (wavBytes <= 0) return 0;  // a wrapped sample count; no meaningful ratio
  return static_cast<double>(FFileSize) / static_cast<double>(wavBytes) * 100;
}
