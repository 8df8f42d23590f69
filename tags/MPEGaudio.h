#pragma once
// TMPEGaudio: MPEG-1, MPEG-2 and MPEG-2.5 audio of layers I, II and III. Reads the ID3v2 tag at
// the start and the ID3v1 tag at the end, finds the first audio frame, a Xing or VBRI header in
// it, and an encoder signature near the end of the file; everything else is derived from these.
//
// It accepts nearly every file of 128 bytes or more that it can open, so the front-end's walk
// through the reader classes stops here for most files; a file without an audio frame is
// accepted with every field, tags included, in its empty state.

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "tags/ID3v1.h"
#include "tags/ID3v2.h"
#include "tags/sMediaTag.h"

// The Xing or VBRI header of the first frame. Published as the reader's "VBR" property, so its
// fields can be read by name like a tag object's.
class TVBRData : public TPersistent {
 public:
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassInfo() const override { return StaticClass(); }

  bool FoundValue() const { return Found; }
  std::string IDValue() const { return std::string(ID.data(), ID[0] != 0 ? ID.size() : 0); }
  int32_t FramesValue() const { return Frames; }
  int32_t BytesValue() const { return Bytes; }
  uint8_t ScaleValue() const { return Scale; }
  const std::string& VendorIDValue() const { return VendorID; }

  bool Found = false;
  std::array<char, 4> ID{};  // "Xing" or "VBRI"
  int32_t Frames = 0;
  int32_t Bytes = 0;
  uint8_t Scale = 0;
  std::string VendorID;  // up to 8 characters from a Xing header ("LAME3.99")
};

// The first valid frame and its decoded header.
struct TFrameData {
  bool Found = false;
  int32_t Position = 0;  // offset in the block it was found in
  uint16_t Size = 0;     // frame length in bytes
  bool Xing = false;     // the 6 bytes after the header are all zero
  std::array<uint8_t, 4> Data{};
  uint8_t VersionID = 0;     // 0 = MPEG 2.5, 1 = reserved, 2 = MPEG 2, 3 = MPEG 1
  uint8_t LayerID = 0;       // 0 = reserved, 1 = Layer III, 2 = Layer II, 3 = Layer I
  uint8_t ProtectionBit = 0; // 1 when a CRC follows the header
  uint16_t BitRateID = 0;
  uint16_t SampleRateID = 0;
  uint8_t PaddingBit = 0;
  uint8_t PrivateBit = 0;
  uint8_t ModeID = 0;        // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono, 4 unknown
  uint8_t ModeExtensionID = 0;
  uint8_t CopyrightBit = 0;
  uint8_t OriginalBit = 0;
  uint8_t EmphasisID = 0;
};

class TMPEGaudio : public TsMediaTag {
 public:
  static const TsMediaTagClass ClassRef;
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassInfo() const override { return StaticClass(); }

  TMPEGaudio();
  void ResetData();
  // True when both tags and the file could be read, whether or not an audio frame was found.
  bool ReadFromFile(const std::string& FileName) override;

  int32_t FileLength() const { return FFileLength; }
  const TVBRData* VBR() const { return &FVBR; }
  const TID3v1* ID3v1() const { return FID3v1.get(); }
  const TID3v2* ID3v2() const { return FID3v2.get(); }
  const TFrameData& Frame() const { return FFrame; }
  const std::string& VendorID() const { return FVendorID; }

  // Computed on each read.
  std::string Version() const;
  std::string Layer() const;
  uint16_t BitRate() const;     // kbit/s; the average of a VBR file
  uint16_t SampleRate() const;  // Hz
  std::string ChannelMode() const;
  std::string Emphasis() const;
  int32_t Frames() const;
  double Duration() const;  // seconds
  uint8_t EncoderID() const;
  std::string Encoder() const;
  bool Valid() const;

  static constexpr size_t kBlockBytes = 3458;

 private:
  int64_t AudioBytes() const;

  int32_t FFileLength;
  std::string FVendorID;
  TVBRData FVBR;
  TFrameData FFrame;
  std::unique_ptr<TID3v1> FID3v1;
  std::unique_ptr<TID3v2> FID3v2;
};

// Bit rate in kbit/s by VersionID, LayerID and BitRateID; 0 for reserved and free-format entries.
uint16_t MPEGBitRate(unsigned versionID, unsigned layerID, unsigned bitRateID);
// Frame length in bytes of a decoded header; 0 when the header has no table bit rate.
uint16_t MPEGFrameLength(const TFrameData& frame);
