#include "tags/Monkey.h"

#include <algorithm>
#include <cstdio>

#include "tags/ByteReader.h"

namespace {

// Header field offsets.
constexpr size_t kIdAt = 0, kVersionAt = 4, kLevelAt = 6, kFlagsAt = 8, kChannelsAt = 10,
                 kSampleRateAt = 12, kTotalFramesAt = 24, kFinalBlocksAt = 28, kPeakAt = 32,
                 kSeekElementsAt = 36;

// Format flags.
constexpr uint16_t kFlag8Bit = 1, kFlagPeakLevel = 4, kFlag24Bit = 8, kFlagSeekElements = 16;

// Monkey's Audio names its levels by thousands; 5000 ("Insane") came with later encoders.
constexpr std::array<const char*, 6> kCompressionNames = {"Unknown", "Fast",       "Normal",
                                                          "High",    "Extra High", "Insane"};
constexpr std::array<const char*, 3> kChannelModes = {"Unknown", "Mono", "Stereo"};

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
  FHeader.fill(0);
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
  if (!file.Seek(FID3v2->Size()) || !file.ReadExact(FHeader.data(), FHeader.size())) return false;
  // Fields the flags declare absent are whatever the encoder left there: clear them.
  auto clear = [this](size_t at) { std::fill_n(FHeader.begin() + at, 4, 0); };
  if (!(HeaderU16(kFlagsAt) & kFlagPeakLevel)) clear(kPeakAt);
  if (!(HeaderU16(kFlagsAt) & kFlagSeekElements)) clear(kSeekElementsAt);
  return true;
}

uint16_t TMonkey::HeaderU16(size_t at) const { return TByteReader(FHeader).U16LE(at); }
uint32_t TMonkey::HeaderU32(size_t at) const { return TByteReader(FHeader).U32LE(at); }

bool TMonkey::Valid() const {
  return TByteReader(FHeader).Matches(kIdAt, "MAC ") &&
         static_cast<int32_t>(HeaderU32(kSampleRateAt)) > 0 && HeaderU16(kChannelsAt) > 0;
}

std::string TMonkey::Version() const {
  const uint16_t version = HeaderU16(kVersionAt);
  if (version == 0) return "";
  char text[16];
  std::snprintf(text, sizeof text, "%4.2f", version / 1000.0);
  return text;
}

std::string TMonkey::Compression() const {
  const size_t index = HeaderU16(kLevelAt) / 1000;
  return index < kCompressionNames.size() ? kCompressionNames[index] : "Unknown";
}

uint8_t TMonkey::Bits() const {
  if (!Valid()) return 0;
  const uint16_t flags = HeaderU16(kFlagsAt);
  if (flags & kFlag24Bit) return 24;
  return (flags & kFlag8Bit) ? 8 : 16;
}

std::string TMonkey::ChannelMode() const {
  const uint16_t channels = HeaderU16(kChannelsAt);
  return channels < kChannelModes.size() ? kChannelModes[channels] : "Unknown";
}

double TMonkey::Peak() const {
  if (!Valid() || !(HeaderU16(kFlagsAt) & kFlagPeakLevel)) return 0;
  const double level = HeaderU32(kPeakAt);
  switch (Bits()) {
    case 16: return level / 32768 * 100;
    case 24: return level / 8388608 * 100;
    default: return level / 128 * 100;
  }
}

uint32_t TMonkey::BlocksPerFrame() const {
  if (!Valid()) return 0;
  const uint16_t version = HeaderU16(kVersionAt);
  if (version >= 3950) return 294912;
  if (version >= 3900 || (version >= 3800 && HeaderU16(kLevelAt) == 4000)) return 73728;
  return 9216;
}

int32_t TMonkey::Samples() const {
  if (!Valid()) return 0;
  // 32-bit arithmetic that wraps like the stored fields do, never signed overflow.
  const uint32_t samples =
      BlocksPerFrame() * (HeaderU32(kTotalFramesAt) - 1) + HeaderU32(kFinalBlocksAt);
  return static_cast<int32_t>(samples);
}

double TMonkey::Duration() const {
  if (!Valid()) return 0;
  return static_cast<double>(Samples()) / static_cast<int32_t>(HeaderU32(kSampleRateAt));
}

double TMonkey::Ratio() const {
  if (!Valid()) return 0;
  // The size of a canonical WAV file of the same audio: 44 header bytes plus the samples.
  const int64_t wavBytes =
      static_cast<int64_t>(Samples()) * HeaderU16(kChannelsAt) * Bits() / 8 + 44;
  if (wavBytes <= 0) return 0;  // a wrapped sample count; no meaningful ratio
  return static_cast<double>(FFileSize) / static_cast<double>(wavBytes) * 100;
}
