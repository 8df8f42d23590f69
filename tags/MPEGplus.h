#pragma once
// TMPEGplus: an MPEGplus (Musepack) stream of version 4 to 7: the 12-byte stream header behind
// any ID3v2 tag, and the ID3v1 and APE tags at the end. Play time and bit rate rest on a fixed
// 44 100 Hz sample rate and 1 152 samples per frame.

#include <cstdint>
#include <memory>
#include <string>

#include "tags/APEtag.h"
#include "tags/ID3v1.h"
#include "tags/ID3v2.h"
#include "tags/sMediaTag.h"

class TMPEGplus : public TsMediaTag {
 public:
  static const TsMediaTagClass ClassRef;
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassInfo() const override { return StaticClass(); }

  TMPEGplus();
  void ResetData();
  // True when 12 header bytes could be read, whether or not a stream version was recognised.
  bool ReadFromFile(const std::string& FileName) override;

  bool Valid() const { return FValid; }
  uint8_t ChannelModeID() const { return FChannelModeID; }  // 0 unknown, 1 stereo, 2 joint
  std::string ChannelMode() const;
  int32_t FileSize() const { return FFileSize; }
  int32_t FrameCount() const { return FFrameCount; }
  uint16_t BitRate() const;  // kbit/s
  uint8_t StreamVersion() const { return FStreamVersion; }  // 4 to 7; 0 when not recognised
  uint8_t ProfileID() const { return FProfileID; }          // version 7 only
  std::string Profile() const;
  const TID3v1* ID3v1() const { return FID3v1.get(); }
  const TID3v2* ID3v2() const { return FID3v2.get(); }
  const TAPEtag* APEtag() const { return FAPEtag.get(); }
  double Duration() const;  // seconds
  bool Corrupted() const;

  static constexpr size_t kHeaderBytes = 12;

 private:
  void ReadStreamHeader(const uint8_t* header);

  std::unique_ptr<TID3v1> FID3v1;
  std::unique_ptr<TID3v2> FID3v2;
  std::unique_ptr<TAPEtag> FAPEtag;
  bool FValid;
  uint8_t FChannelModeID;
  int32_t FFileSize;
  int32_t FFrameCount;
  uint16_t FHeaderBitRate;  // stored in version 4 and 5 headers only
  uint8_t FStreamVersion;
  uint8_t FProfileID;
};
