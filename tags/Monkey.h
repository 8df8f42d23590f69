#pragma once
// TMonkey: a Monkey's Audio file. The stream properties come from the "MAC " header behind any
// ID3v2 tag (40 bytes before version 3.98; from 3.98 on a descriptor and a header of its own);
// the title and artist come from the ID3v1, ID3v2 and APE tags it carries.

#include <cstdint>
#include <memory>
#include <string>

#include "tags/APEtag.h"
#include "tags/ID3v1.h"
#include "tags/ID3v2.h"
#include "tags/sMediaTag.h"

class TFileReader;

// The stream fields the properties are computed from, whichever layout held them.
struct TMonkeyStream {
  bool IsMac = false;  // the identifier is "MAC "
  uint16_t Version = 0, Level = 0, Channels = 0;
  int32_t SampleRate = 0;
  uint32_t TotalFrames = 0, FinalBlocks = 0, BlocksPerFrame = 0;
  uint8_t Bits = 0;
  bool HasPeak = false;  // only the old header stores a peak level
  uint32_t PeakLevel = 0;
};

class TMonkey : public TsMediaTag {
 public:
  static const TsMediaTagClass ClassRef;
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassInfo() const override { return StaticClass(); }

  TMonkey();
  void ResetData();
  // True when the three tags and the first 40 header bytes could be read, "MAC " header or not.
  bool ReadFromFile(const std::string& FileName) override;

  const TID3v1* ID3v1() const { return FID3v1.get(); }
  const TID3v2* ID3v2() const { return FID3v2.get(); }
  const TAPEtag* APEtag() const { return FAPEtag.get(); }
  // Everything below is computed from the header each time it is read.
  bool Valid() const;
  std::string Version() const;      // "3.99"; empty for version 0
  std::string Compression() const;  // by compression level div 1000
  uint8_t Bits() const;
  std::string ChannelMode() const;
  double Peak() const;  // percent of full scale
  int32_t Samples() const;
  double Duration() const;  // seconds
  double Ratio() const;     // percent of a canonical WAV file of the same audio

  static constexpr size_t kHeaderBytes = 40;

 private:
  bool ReadHeader(TFileReader& file);

  std::unique_ptr<TID3v1> FID3v1;
  std::unique_ptr<TID3v2> FID3v2;
  std::unique_ptr<TAPEtag> FAPEtag;
  int32_t FFileSize;
  TMonkeyStream FStream;
};
