#pragma once
// TAACfile: a raw AAC stream with ADIF (one header at the start) or ADTS (a header in front of
// every frame) headers, behind any ID3v2 tag; its ID3v1 and ID3v2 tags carry title and artist.

#include <cstdint>
#include <memory>
#include <string>

#include "tags/ID3v1.h"
#include "tags/ID3v2.h"
#include "tags/sMediaTag.h"

class TAACfile : public TsMediaTag {
 public:
  static const TsMediaTagClass ClassRef;
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassInfo() const override { return StaticClass(); }

  TAACfile();
  ~TAACfile() override;
  void ResetData();
  // False when a tag read fails or the file cannot be opened; true otherwise, AAC or not.
  bool ReadFromFile(const std::string& FileName) override;

  const TID3v1* ID3v1() const { return FID3v1.get(); }
  const TID3v2* ID3v2() const { return FID3v2.get(); }
  int32_t FileSize() const { return FFileSize; }
  uint8_t HeaderTypeID() const { return FHeaderTypeID; }  // 0 unknown, 1 ADIF, 2 ADTS
  std::string HeaderType() const;
  uint8_t MPEGVersionID() const { return FMPEGVersionID; }  // 0 unknown, 1 MPEG-2, 2 MPEG-4
  std::string MPEGVersion() const;
  uint8_t ProfileID() const { return FProfileID; }  // 0 unknown, 1 to 4
  std::string Profile() const;
  uint8_t Channels() const { return FChannels; }
  int32_t SampleRate() const { return FSampleRate; }
  int32_t BitRate() const { return FBitRate; }                // bits per second
  uint8_t BitRateTypeID() const { return FBitRateTypeID; }  // 0 unknown, 1 CBR, 2 VBR
  std::string BitRateType() const;
  double Duration() const;  // seconds
  bool Valid() const;

  // ADTS frames measured for the bit rate at most.
  static constexpr int kMaxFrames = 1000;

 private:
  class TBitFile;  // bit positions in a file, see AACfile.cpp

  void ReadADIF(TBitFile& bits, uint64_t startBit);
  void ReadADTS(TBitFile& bits, int64_t startByte, int64_t fileBytes);

  std::unique_ptr<TID3v1> FID3v1;
  std::unique_ptr<TID3v2> FID3v2;
  int32_t FFileSize;
  uint8_t FHeaderTypeID;
  uint8_t FMPEGVersionID;
  uint8_t FProfileID;
  uint8_t FChannels;
  int32_t FSampleRate;
  int32_t FBitRate;
  uint8_t FBitRateTypeID;
};
