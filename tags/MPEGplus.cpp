#include "tags/MPEGplus.h"

#include <array>
#include <cmath>

#include "tags/ByteReader.h"

namespace {

constexpr uint32_t kVersion7Id = 0x072B504D;  // "MP+" followed by the byte 7
constexpr double kSampleRateKHz = 44.1;  // the bit rate formula's own constant
constexpr double kSampleRateHz = 44100;
constexpr int kSamplesPerFrame = 1152;

constexpr std::array<const char*, 3> kChannelModes = {"Unknown", "Stereo", "Joint Stereo"};
constexpr std::array<const char*, 6> kProfiles = {"Unknown", "Thumb",  "Radio",
                                                  "Standard", "Xtreme", "Insane"};

uint8_t StreamVersionOf(const TByteReader& h) {
  if (h.U32LE(0) == kVersion7Id) return 7;
  switch ((h.U8(1) & 0x1F) >> 1) {
    case 3: return 4;
    case 7: return 5;
    case 11: return 6;
    default: return 0;
  }
}

// Version 7 names its encoder profile in byte 10, compared whole.
uint8_t ProfileIdOf(uint8_t b10) {
  switch (b10) {
    case 0x80: return 1;
    case 0x90: return 2;
    case 0xA0: return 3;
    case 0xB0: return 4;
    case 0xC0: return 5;
    default: return 0;
  }
}

}  // namespace

const TsMediaTagClass TMPEGplus::ClassRef = MakeClassRef<TMPEGplus>("TMPEGplus");

const TClassInfo& TMPEGplus::StaticClass() {
  static const TClassInfo info("TMPEGplus", &TsMediaTag::StaticClass(), {
      Publish("Valid", &TMPEGplus::Valid),
      Publish("ChannelModeID", &TMPEGplus::ChannelModeID),
      Publish("ChannelMode", &TMPEGplus::ChannelMode),
      Publish("FileSize", &TMPEGplus::FileSize),
      Publish("FrameCount", &TMPEGplus::FrameCount),
      Publish("BitRate", &TMPEGplus::BitRate),
      Publish("StreamVersion", &TMPEGplus::StreamVersion),
      Publish("ProfileID", &TMPEGplus::ProfileID),
      Publish("Profile", &TMPEGplus::Profile),
      Publish("ID3v1", &TMPEGplus::ID3v1),
      Publish("ID3v2", &TMPEGplus::ID3v2),
      Publish("APEtag", &TMPEGplus::APEtag),
      Publish("Duration", &TMPEGplus::Duration),
      Publish("Corrupted", &TMPEGplus::Corrupted),
  });
  return info;
}

TMPEGplus::TMPEGplus()
    : FID3v1(std::make_unique<TID3v1>()),
      FID3v2(std::make_unique<TID3v2>()),
      FAPEtag(std::make_unique<TAPEtag>()) {
  ResetData();
}

void TMPEGplus::ResetData() {
  FValid = false;
  FChannelModeID = 0;
  FFileSize = 0;
  FFrameCount = 0;
  FHeaderBitRate = 0;
  FStreamVersion = 0;
  FProfileID = 0;
  FID3v1->ResetData();
  FID3v2->ResetData();
  FAPEtag->ResetData();
}

bool TMPEGplus::ReadFromFile(const std::string& FileName) {
  ResetData();
  // One open for the tags and the stream header, read in the same order as with an open each.
  TFileReader file(FileName);
  // A failed ID3v2 read only means that the stream header is looked for at the start.
  const int64_t headerAt = FID3v2->ReadFromFile(file) ? FID3v2->Size() : 0;
  std::array<uint8_t, kHeaderBytes> header{};
  if (!file.IsOpen() || !file.Seek(headerAt) || !file.ReadExact(header.data(), header.size())) {
    return false;
  }
  const int32_t fileSize = static_cast<int32_t>(static_cast<uint32_t>(file.Size()));
  const TByteReader h(header);
  if (StreamVersionOf(h) == 0 || fileSize <= 0) return true;
  FFileSize = fileSize;
  ReadStreamHeader(header.data());
  // The end tags are consulted only for a recognised stream; their results do not matter.
  FID3v1->ReadFromFile(file);
  FAPEtag->ReadFromFile(file);
  return true;
}

void TMPEGplus::ReadStreamHeader(const uint8_t* header) {
  const TByteReader h(header, kHeaderBytes);
  FStreamVersion = StreamVersionOf(h);
  FValid = true;
  if (FStreamVersion == 7) {
    FChannelModeID = (h.U8(11) & 0x7F) >= 0x40 ? 2 : 1;
    FProfileID = ProfileIdOf(h.U8(10));
  } else {
    FChannelModeID = (h.U8(2) & 0x7F) != 0 ? 2 : 1;
  }
  const uint32_t w1 = h.U32LE(4);
  FFrameCount = static_cast<int32_t>(FStreamVersion == 4 ? w1 >> 16 : w1);
  if (FStreamVersion == 4 || FStreamVersion == 5) {
    FHeaderBitRate = static_cast<uint16_t>(h.U32LE(0) >> 23);
  }
}

std::string TMPEGplus::ChannelMode() const {
  return FChannelModeID < kChannelModes.size() ? kChannelModes[FChannelModeID] : "Unknown";
}

std::string TMPEGplus::Profile() const {
  return FProfileID < kProfiles.size() ? kProfiles[FProfileID] : "Unknown";
}

uint16_t TMPEGplus::BitRate() const {
  if (FHeaderBitRate != 0) return FHeaderBitRate;
  if (FFrameCount <= 0) return 0;
  const int64_t audioBytes = int64_t{FFileSize} - FID3v2->Size() - FAPEtag->Size() -
                             (FID3v1->Exists() ? TID3v1::kTagSizeBytes : 0);
  // Rounded to nearest, halves to even, and kept in 16 bits as the property is.
  const double kbps = audioBytes * 8 * kSampleRateKHz / FFrameCount / kSamplesPerFrame;
  return static_cast<uint16_t>(static_cast<int64_t>(std::nearbyint(kbps)));
}

double TMPEGplus::Duration() const {
  return static_cast<double>(FFrameCount) * kSamplesPerFrame / kSampleRateHz;
}

bool TMPEGplus::Corrupted() const {
  if (!FValid) return false;
  const uint16_t bitRate = BitRate();
  return bitRate < 16 || bitRate > 480;
}
