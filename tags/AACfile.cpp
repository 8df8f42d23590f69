#include "tags/AACfile.h"

#include <array>
#include <cmath>
#include <vector>

#include "tags/ByteReader.h"

// Bits of a file, addressed from the most significant bit of its first byte. Bytes past the end
// of the file read as zero. A window of the file is kept, so the handful of reads per ADTS frame
// costs no system call each.
class TAACfile::TBitFile {
 public:
  explicit TBitFile(TFileReader& file) : FFile(file) {}

  // n bits (1 to 25) from bit position p: the big-endian word of the 4 bytes at p div 8,
  // shifted left by p mod 8, then right by 32 - n.
  uint32_t ReadBits(uint64_t p, unsigned n) {
    const uint64_t byteAt = p / 8;
    if (byteAt < FWindowAt || byteAt - FWindowAt > kWindowBytes - 4) Load(byteAt);
    const uint32_t word = TByteReader(FWindow).U32BE(static_cast<size_t>(byteAt - FWindowAt));
    return (word << (p % 8)) >> (32 - n);
  }

 private:
  static constexpr size_t kWindowBytes = 4096;

  void Load(uint64_t byteAt) {
    FWindowAt = byteAt;
    FWindow.clear();
    // A short read only happens at the end of the file; the missing bytes then read as zero.
    if (FFile.Seek(static_cast<int64_t>(byteAt))) FWindow = FFile.ReadUpTo(kWindowBytes);
  }

  TFileReader& FFile;
  uint64_t FWindowAt = UINT64_MAX;  // nothing loaded yet
  std::vector<uint8_t> FWindow;
};

namespace {

constexpr std::array<int32_t, 16> kSampleRates = {96000, 88200, 64000, 48000, 44100, 32000,
                                                  24000, 22050, 16000, 12000, 11025, 8000,
                                                  0,     0,     0,     0};

constexpr std::array<const char*, 3> kHeaderTypes = {"Unknown", "ADIF", "ADTS"};
constexpr std::array<const char*, 3> kMPEGVersions = {"Unknown", "MPEG-2", "MPEG-4"};
constexpr std::array<const char*, 5> kProfiles = {"Unknown", "AAC Main", "AAC LC", "AAC SSR",
                                                  "AAC LTP"};
constexpr std::array<const char*, 3> kBitRateTypes = {"Unknown", "CBR", "VBR"};

constexpr uint8_t kADIF = 1, kADTS = 2;
constexpr uint8_t kMPEG2 = 1, kMPEG4 = 2;
constexpr uint8_t kCBR = 1, kVBR = 2;
constexpr uint32_t kVBRFullness = 0x7FF;  // buffer fullness of a variable-rate ADTS frame

template <size_t N>
std::string NameOf(const std::array<const char*, N>& names, uint8_t id) {
  return id < N ? names[id] : names[0];
}

}  // namespace

const TsMediaTagClass TAACfile::ClassRef = MakeClassRef<TAACfile>("TAACfile");

const TClassInfo& TAACfile::StaticClass() {
  static const TClassInfo info("TAACfile", &TsMediaTag::StaticClass(), {
      Publish("ID3v1", &TAACfile::ID3v1),
      Publish("ID3v2", &TAACfile::ID3v2),
      Publish("FileSize", &TAACfile::FileSize),
      Publish("HeaderTypeID", &TAACfile::HeaderTypeID),
      Publish("HeaderType", &TAACfile::HeaderType),
      Publish("MPEGVersionID", &TAACfile::MPEGVersionID),
      Publish("MPEGVersion", &TAACfile::MPEGVersion),
      Publish("ProfileID", &TAACfile::ProfileID),
      Publish("Profile", &TAACfile::Profile),
      Publish("Channels", &TAACfile::Channels),
      Publish("SampleRate", &TAACfile::SampleRate),
      Publish("BitRate", &TAACfile::BitRate),
      Publish("BitRateTypeID", &TAACfile::BitRateTypeID),
      Publish("BitRateType", &TAACfile::BitRateType),
      Publish("Duration", &TAACfile::Duration),
      Publish("Valid", &TAACfile::Valid),
  });
  return info;
}

TAACfile::TAACfile() : FID3v1(std::make_unique<TID3v1>()), FID3v2(std::make_unique<TID3v2>()) {
  ResetData();
}

TAACfile::~TAACfile() = default;

void TAACfile::ResetData() {
  FFileSize = 0;
  FHeaderTypeID = 0;
  FMPEGVersionID = 0;
  FProfileID = 0;
  FChannels = 0;
  FSampleRate = 0;
  FBitRate = 0;
  FBitRateTypeID = 0;
  FID3v1->ResetData();
  FID3v2->ResetData();
}

bool TAACfile::ReadFromFile(const std::string& FileName) {
  ResetData();
  // One open for the tags and the stream, read in the same order as with an open each.
  TFileReader file(FileName);
  if (!FID3v2->ReadFromFile(file) || !FID3v1->ReadFromFile(file)) return false;
  FFileSize = static_cast<int32_t>(static_cast<uint32_t>(file.Size()));
  const int64_t streamAt = FID3v2->Size();
  TBitFile bits(file);
  const uint64_t startBit = 8 * static_cast<uint64_t>(streamAt);
  if (bits.ReadBits(startBit, 16) == ('A' << 8 | 'D') &&
      bits.ReadBits(startBit + 16, 16) == ('I' << 8 | 'F')) {
    FHeaderTypeID = kADIF;
    ReadADIF(bits, startBit);
  } else if (bits.ReadBits(startBit, 12) == 0xFFF) {
    FHeaderTypeID = kADTS;
    ReadADTS(bits, streamAt, file.Size());
  }
  return true;
}

void TAACfile::ReadADIF(TBitFile& bits, uint64_t startBit) {
  uint64_t p = startBit + 32;
  p += bits.ReadBits(p, 1) == 0 ? 3 : 75;  // a 72-bit copyright identifier may follow the flag
  FBitRateTypeID = bits.ReadBits(p, 1) == 0 ? kCBR : kVBR;
  p += 1;
  FBitRate = static_cast<int32_t>(bits.ReadBits(p, 23));
  p += FBitRateTypeID == kCBR ? 51 : 31;
  FMPEGVersionID = kMPEG4;
  FProfileID = static_cast<uint8_t>(bits.ReadBits(p, 2) + 1);
  p += 2;
  FSampleRate = kSampleRates[bits.ReadBits(p, 4)];
  p += 4;
  FChannels = static_cast<uint8_t>(bits.ReadBits(p, 4) + bits.ReadBits(p + 4, 4) +
                                   bits.ReadBits(p + 8, 4) + bits.ReadBits(p + 12, 2));
}

void TAACfile::ReadADTS(TBitFile& bits, int64_t startByte, int64_t fileBytes) {
  int frames = 0;
  int64_t totalBytes = 0;
  // The frame count includes the frame whose sync test fails; zero-length frames leave the
  // position where it is, so the frame limit is what ends such a stream.
  for (;;) {
    ++frames;
    const uint64_t p = 8 * static_cast<uint64_t>(startByte + totalBytes);
    if (bits.ReadBits(p, 12) != 0xFFF) break;
    FMPEGVersionID = bits.ReadBits(p + 12, 1) == 0 ? kMPEG4 : kMPEG2;
    FProfileID = static_cast<uint8_t>(bits.ReadBits(p + 16, 2) + 1);
    FSampleRate = kSampleRates[bits.ReadBits(p + 18, 4)];
    FChannels = static_cast<uint8_t>(bits.ReadBits(p + 23, 3));
    // Today's ADTS has one fixed header for MPEG-2 and MPEG-4: the frame length follows the
    // two copyright bits at bit 30 in both (an early MPEG-4 draft had two more bits there).
    const uint64_t q = p + 30;
    totalBytes += bits.ReadBits(q, 13);
    FBitRateTypeID = bits.ReadBits(q + 13, 11) == kVBRFullness ? kVBR : kCBR;
    if (FBitRateTypeID == kCBR || frames == kMaxFrames || startByte + totalBytes >= fileBytes) {
      break;
    }
  }
  // Rounded to nearest, halves to even.
  FBitRate = static_cast<int32_t>(
      std::nearbyint(static_cast<double>(totalBytes) * 8 / 1024 / frames * FSampleRate));
}

std::string TAACfile::HeaderType() const { return NameOf(kHeaderTypes, FHeaderTypeID); }
std::string TAACfile::MPEGVersion() const { return NameOf(kMPEGVersions, FMPEGVersionID); }
std::string TAACfile::Profile() const { return NameOf(kProfiles, FProfileID); }
std::string TAACfile::BitRateType() const { return NameOf(kBitRateTypes, FBitRateTypeID); }

double TAACfile::Duration() const {
  if (FBitRate == 0) return 0;
  return static_cast<double>(int64_t{FFileSize} - FID3v2->Size()) * 8 / FBitRate;
}

bool TAACfile::Valid() const {
  return FHeaderTypeID != 0 && FChannels > 0 && FSampleRate > 0 && FBitRate > 0;
}
