#include "tags/MPEGaudio.h"

#include <cmath>

#include "tags/ByteReader.h"

namespace {

constexpr int kBlockBytes = static_cast<int>(TMPEGaudio::kBlockBytes);
constexpr int kLastFrameStart = 1729;  // the frame search looks at offsets 0 to 1729
constexpr int kID3v1Bytes = TID3v1::kTagSizeBytes;

// The encoder IDs, indexes into kEncoders.
enum : uint8_t { enUnknown, enXing, enFhG, enLAME, enBlade, enGoGo, enShine, enQDesign };

const char* const kVersions[] = {"MPEG 2.5", "MPEG ?", "MPEG 2", "MPEG 1"};
const char* const kLayers[] = {"Layer ?", "Layer III", "Layer II", "Layer I"};
const char* const kModes[] = {"Stereo", "Joint Stereo", "Dual Channel", "Mono", "Unknown"};
const char* const kEmphases[] = {"None", "50/15 ms", "Unknown", "CCIT J.17"};
const char* const kEncoders[] = {"Unknown", "Xing", "FhG", "LAME", "Blade", "GoGo", "Shine",
                                 "QDesign"};

// kbit/s by [layer][index] for MPEG 1 (ISO/IEC 11172-3) and for the low sampling frequencies of
// MPEG 2, which MPEG 2.5 shares (ISO/IEC 13818-3). Index 0 is free format, 15 is forbidden.
constexpr uint16_t kMpeg1Rates[4][16] = {
    {},
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},    // Layer III
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},   // Layer II
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0} // Layer I
};
constexpr uint16_t kMpeg2Rates[4][16] = {
    {},
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},        // Layer III
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},        // Layer II
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0}    // Layer I
};

constexpr uint16_t kSampleRates[4][4] = {
    {11025, 12000, 8000, 0},  // MPEG 2.5
    {0, 0, 0, 0},             // reserved
    {22050, 24000, 16000, 0}, // MPEG 2
    {44100, 48000, 32000, 0}, // MPEG 1
};

constexpr uint8_t kVersion1 = 3, kLayerI = 3, kLayerII = 2, kModeMono = 3;

bool IsFrameHeader(const TByteReader& b, size_t at) {
  const uint8_t b1 = b.U8(at + 1), b2 = b.U8(at + 2), b3 = b.U8(at + 3);
  return b.Has(at, 4) && b.U8(at) == 0xFF && b1 >= 0xE0 && (b1 >> 3 & 3) != 1 &&
         (b1 >> 1 & 3) != 0 && b2 < 0xF0 && b2 > 0x0F && (b2 >> 2 & 3) != 3 && (b3 & 3) != 2;
}

void DecodeHeader(const TByteReader& b, size_t at, TFrameData& f) {
  for (size_t k = 0; k < 4; ++k) f.Data[k] = b.U8(at + k);
  f.VersionID = f.Data[1] >> 3 & 3;
  f.LayerID = f.Data[1] >> 1 & 3;
  f.ProtectionBit = (f.Data[1] & 1) == 0 ? 1 : 0;
  f.BitRateID = f.Data[2] >> 4;
  f.SampleRateID = f.Data[2] >> 2 & 3;
  f.PaddingBit = f.Data[2] >> 1 & 1;
  f.PrivateBit = f.Data[2] & 1;
  f.ModeID = f.Data[3] >> 6;
  f.ModeExtensionID = f.Data[3] >> 4 & 3;
  f.CopyrightBit = f.Data[3] >> 3 & 1;
  f.OriginalBit = f.Data[3] >> 2 & 1;
  f.EmphasisID = f.Data[3] & 3;
}

// Bytes per frame for each kbit/s per Hz: 1152 samples / 8 bits for Layers II and III (576 for
// Layer III outside MPEG 1), 384 / 8 for Layer I in every version. Layer I outside MPEG 1 is
// sometimes given as 24, which makes the second-header test miss every such file.
unsigned Coefficient(const TFrameData& f) {
  if (f.LayerID == kLayerI) return 48;
  if (f.VersionID == kVersion1 || f.LayerID == kLayerII) return 144;
  return 72;
}

unsigned PaddingBytes(const TFrameData& f) {
  if (f.PaddingBit == 0) return 0;
  return f.LayerID == kLayerI ? 4 : 1;
}

unsigned TableSampleRate(const TFrameData& f) {
  return kSampleRates[f.VersionID & 3][f.SampleRateID & 3];
}

unsigned VBRHeaderOffset(const TFrameData& f) {
  if (f.VersionID == kVersion1) return f.ModeID == kModeMono ? 21 : 36;
  return f.ModeID == kModeMono ? 13 : 21;
}

// The 8 vendor bytes of a Xing header end at their first zero byte, as a C string would.
std::string VendorText(const TByteReader& b, size_t at) {
  std::string text = b.Text(at, 8);
  return text.substr(0, text.find('\0'));
}

void ReadVBRHeader(const TByteReader& b, size_t at, TVBRData& vbr) {
  vbr = TVBRData();
  // The Xing flags are not consulted: encoders of the time always wrote every field.
  if (b.Matches(at, "Xing")) {
    vbr.Found = true;
    vbr.ID = {'X', 'i', 'n', 'g'};
    vbr.Frames = static_cast<int32_t>(b.U32BE(at + 8));
    vbr.Bytes = static_cast<int32_t>(b.U32BE(at + 12));
    vbr.Scale = b.U8(at + 119);
    vbr.VendorID = VendorText(b, at + 120);
  } else if (b.Matches(at, "VBRI")) {
    vbr.Found = true;
    vbr.ID = {'V', 'B', 'R', 'I'};
    vbr.Scale = b.U8(at + 9);
    vbr.Bytes = static_cast<int32_t>(b.U32BE(at + 10));
    vbr.Frames = static_cast<int32_t>(b.U32BE(at + 14));
  }
}

// The first frame header of the block that another header follows at the computed distance.
// The VBR record changes only when a frame is found.
void FindFrame(const TByteReader& block, TFrameData& frame, TVBRData& vbr) {
  frame = TFrameData();
  for (int i = 0; i <= kLastFrameStart; ++i) {
    if (!IsFrameHeader(block, i)) continue;
    DecodeHeader(block, i, frame);
    const uint16_t length = MPEGFrameLength(frame);
    if (length == 0 || !IsFrameHeader(block, i + length)) continue;
    frame.Found = true;
    frame.Position = i;
    frame.Size = length;
    frame.Xing = true;
    for (size_t k = 4; k < 10; ++k) frame.Xing = frame.Xing && block.U8(i + k) == 0;
    ReadVBRHeader(block, i + VBRHeaderOffset(frame), vbr);
    return;
  }
}

// "LAME" and the 4 characters after it, or "GOGO", searched backwards from the end of the block
// over limit + 1 start offsets.
std::string FindEncoderSignature(const TByteReader& block, uint16_t limit) {
  int s = limit;
  if (kBlockBytes - s - 8 < 0) s = kBlockBytes - 8;
  for (int k = 0; k <= s; ++k) {
    const size_t at = kBlockBytes - k - 8;
    // The first byte rules out nearly every offset before a whole signature is compared.
    const uint8_t first = block.U8(at);
    if (first == 'L' && block.Matches(at, "LAME")) return block.Text(at, 8);
    if (first == 'G' && block.Matches(at, "GOGO")) return "GOGO";
  }
  return "";
}

// Reads up to one block at offset into a zero-filled buffer; the count of bytes read.
size_t ReadBlock(TFileReader& file, int64_t offset, std::array<uint8_t, kBlockBytes>& block) {
  block.fill(0);
  if (!file.Seek(offset)) return 0;
  return file.Read(block.data(), block.size());
}

// Rounds halves to the even neighbour and keeps the low 16 bits, as a 16-bit field stores it;
// a value no 64-bit integer holds gives 0.
uint16_t RoundToUInt16(double value) {
  if (!(std::fabs(value) < 9.2e18)) return 0;
  return static_cast<uint16_t>(static_cast<int64_t>(std::nearbyint(value)));
}

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

uint16_t MPEGBitRate(unsigned versionID, unsigned layerID, unsigned bitRateID) {
  if (versionID > 3 || layerID > 3 || bitRateID > 15 || versionID == 1) return 0;
  return versionID == kVersion1 ? kMpeg1Rates[layerID][bitRateID] : kMpeg2Rates[layerID][bitRateID];
}

uint16_t MPEGFrameLength(const TFrameData& frame) {
  const unsigned bitRate = MPEGBitRate(frame.VersionID, frame.LayerID, frame.BitRateID);
  const unsigned sampleRate = TableSampleRate(frame);
  if (bitRate == 0 || sampleRate == 0) return 0;
  return static_cast<uint16_t>(Coefficient(frame) * bitRate * 1000 / sampleRate +
                               PaddingBytes(frame));
}

const TClassInfo& TVBRData::StaticClass() {
  static const TClassInfo info("TVBRData", &TPersistent::StaticClass(), {
      Publish("Found", &TVBRData::FoundValue),
      Publish("ID", &TVBRData::IDValue),
      Publish("Frames", &TVBRData::FramesValue),
      Publish("Bytes", &TVBRData::BytesValue),
      Publish("Scale", &TVBRData::ScaleValue),
      Publish("VendorID", &TVBRData::VendorIDValue),
  });
  return info;
}

const TsMediaTagClass TMPEGaudio::ClassRef = MakeClassRef<TMPEGaudio>("TMPEGaudio");

const TClassInfo& TMPEGaudio::StaticClass() {
  static const TClassInfo info("TMPEGaudio", &TsMediaTag::StaticClass(), {
      Publish("FileLength", &TMPEGaudio::FileLength),
      Publish("VBR", &TMPEGaudio::VBR),
      Publish("ID3v1", &TMPEGaudio::ID3v1),
      Publish("ID3v2", &TMPEGaudio::ID3v2),
      Publish("Version", &TMPEGaudio::Version),
      Publish("Layer", &TMPEGaudio::Layer),
      Publish("BitRate", &TMPEGaudio::BitRate),
      Publish("SampleRate", &TMPEGaudio::SampleRate),
      Publish("ChannelMode", &TMPEGaudio::ChannelMode),
      Publish("Emphasis", &TMPEGaudio::Emphasis),
      Publish("Frames", &TMPEGaudio::Frames),
      Publish("Duration", &TMPEGaudio::Duration),
      Publish("EncoderID", &TMPEGaudio::EncoderID),
      Publish("Encoder", &TMPEGaudio::Encoder),
      Publish("Valid", &TMPEGaudio::Valid),
  });
  return info;
}

TMPEGaudio::TMPEGaudio() : FID3v1(std::make_unique<TID3v1>()), FID3v2(std::make_unique<TID3v2>()) {
  ResetData();
}

void TMPEGaudio::ResetData() {
  FFileLength = 0;
  FVendorID.clear();
  FVBR = TVBRData();
  // The "unknown" values, so that the texts read "MPEG ?", "Layer ?" and "Unknown".
  FFrame = TFrameData();
  FFrame.VersionID = 1;
  FFrame.SampleRateID = 3;
  FFrame.ModeID = 4;
  FFrame.ModeExtensionID = 4;
  FFrame.EmphasisID = 2;
  FID3v1->ResetData();
  FID3v2->ResetData();
}

bool TMPEGaudio::ReadFromFile(const std::string& FileName) {
  ResetData();
  // One open for the tags and the audio: the tags read through the same file, in the same
  // order as when each opened it anew.
  TFileReader file(FileName);
  const bool result = FID3v2->ReadFromFile(file) && FID3v1->ReadFromFile(file) && file.IsOpen();
  if (result) {
    FFileLength = static_cast<int32_t>(file.Size());
    std::array<uint8_t, kBlockBytes> block;
    const TByteReader reader(block.data(), block.size());
    const size_t got = ReadBlock(file, FID3v2->Size(), block);
    FindFrame(reader, FFrame, FVBR);
    if (!FFrame.Found && got == block.size()) {
      ReadBlock(file, (file.Size() - FID3v2->Size()) / 2, block);
      FindFrame(reader, FFrame, FVBR);
    }
    if (FFrame.Found && !FVBR.Found) {
      // A file shorter than the block is read from its start, zeros standing in for the
      // bytes before it would make the reader reject a valid short file and lose its tags.
      int64_t at = file.Size() - kBlockBytes - (FID3v1->Exists() ? kID3v1Bytes : 0);
      ReadBlock(file, at < 0 ? 0 : at, block);
      FVendorID = FindEncoderSignature(reader, static_cast<uint16_t>(5 * FFrame.Size));
    }
  }
  if (!FFrame.Found) ResetData();
  return result;
}

std::string TMPEGaudio::Version() const { return kVersions[FFrame.VersionID & 3]; }

std::string TMPEGaudio::Layer() const { return kLayers[FFrame.LayerID & 3]; }

uint16_t TMPEGaudio::BitRate() const {
  if (FVBR.Found && FVBR.Frames > 0) {
    const double bytesPerFrame = static_cast<double>(FVBR.Bytes) / FVBR.Frames;
    return RoundToUInt16((bytesPerFrame - PaddingBytes(FFrame)) * TableSampleRate(FFrame) /
                         Coefficient(FFrame) / 1000);
  }
  return MPEGBitRate(FFrame.VersionID, FFrame.LayerID, FFrame.BitRateID);
}

uint16_t TMPEGaudio::SampleRate() const { return TableSampleRate(FFrame); }

std::string TMPEGaudio::ChannelMode() const {
  return kModes[FFrame.ModeID <= 4 ? FFrame.ModeID : 4];
}

std::string TMPEGaudio::Emphasis() const { return kEmphases[FFrame.EmphasisID & 3]; }

int64_t TMPEGaudio::AudioBytes() const {
  int64_t bytes = int64_t{FFileLength} - FID3v2->Size() - FFrame.Position;
  if (FID3v1->Exists()) bytes -= kID3v1Bytes;
  return bytes;
}

int32_t TMPEGaudio::Frames() const {
  if (FVBR.Found) return FVBR.Frames;
  if (!FFrame.Found || FFrame.Size == 0) return 0;
  return static_cast<int32_t>(AudioBytes() / FFrame.Size);
}

double TMPEGaudio::Duration() const {
  if (!FFrame.Found) return 0;
  if (FVBR.Found && FVBR.Frames > 0) {
    return static_cast<double>(FVBR.Frames) * Coefficient(FFrame) * 8 / TableSampleRate(FFrame);
  }
  const unsigned bitRate = MPEGBitRate(FFrame.VersionID, FFrame.LayerID, FFrame.BitRateID);
  return static_cast<double>(AudioBytes()) / bitRate / 1000 * 8;
}

uint8_t TMPEGaudio::EncoderID() const {
  if (!FFrame.Found) return enUnknown;
  if (FVBR.Found) {
    const std::string v = FVBR.VendorID.substr(0, 4);
    uint8_t id = (v == "GOGO" || v == "MPGE") ? enGoGo : v == "LAME" ? enLAME : enUnknown;
    if (FVBR.IDValue() == "Xing" && v != "LAME" && v != "GOGO" && v != "MPGE") id = enXing;
    if (FVBR.IDValue() == "VBRI") id = enFhG;
    return id;
  }
  // A guess from the habits each encoder had with the header bits; later rules win.
  const TFrameData& f = FFrame;
  uint8_t id = (f.OriginalBit == 1 && f.ProtectionBit == 1) ? enLAME : enFhG;
  if (MPEGBitRate(f.VersionID, f.LayerID, f.BitRateID) <= 160 && f.ModeID == 0) id = enBlade;
  if (f.CopyrightBit == 1 && f.OriginalBit == 1 && f.ProtectionBit == 0) id = enXing;
  if (f.Xing && f.OriginalBit == 1) id = enXing;
  if (f.LayerID == kLayerII) id = enQDesign;
  if (f.ModeID == 2 && f.ProtectionBit == 1) id = enShine;
  if (StartsWith(FVendorID, "LAME")) id = enLAME;
  if (StartsWith(FVendorID, "GOGO")) id = enGoGo;
  return id;
}

std::string TMPEGaudio::Encoder() const {
  const uint8_t id = EncoderID();
  std::string text = kEncoders[id];
  const std::string& vendor = FVendorID.empty() ? FVBR.VendorID : FVendorID;
  // "LAME3.93" shows as "LAME 3.93".
  if (id == enLAME && vendor.size() >= 8 && IsDigit(vendor[4]) && vendor[5] == '.' &&
      IsDigit(vendor[6]) && IsDigit(vendor[7])) {
    text += " " + vendor.substr(4, 4);
  }
  return text;
}

bool TMPEGaudio::Valid() const {
  const uint16_t bitRate = BitRate();
  return FFrame.Found && bitRate >= 8 && bitRate <= 448 && Duration() >= 0.1;
}
