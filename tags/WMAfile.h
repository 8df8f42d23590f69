#pragma once
// TWMAfile: a Windows Media file in the Advanced Systems Format (ASF). Walks the objects of the
// ASF header: stream properties from the file and stream properties objects, texts (UTF-16)
// from the content description and extended content description objects. The front-end tries
// it on nearly every file, so a file that does not start with the ASF header GUID costs one
// 16-byte read, and only header objects are ever read.

#include <cstdint>
#include <string>

#include "tags/sMediaTag.h"

class TWMAfile : public TsMediaTag {
 public:
  static const TsMediaTagClass ClassRef;
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassInfo() const override { return StaticClass(); }

  TWMAfile();
  void ResetData();
  // True when the file could be opened and its header read without a short read, ASF or not.
  bool ReadFromFile(const std::string& FileName) override;

  bool Valid() const { return FValid; }
  int32_t FileSize() const { return FFileSize; }
  uint8_t ChannelModeID() const { return FChannelModeID; }  // channel count, 1 or 2 when valid
  std::string ChannelMode() const;
  int32_t SampleRate() const { return FSampleRate; }
  double Duration() const { return FDuration; }  // seconds
  int32_t BitRate() const { return FBitRate; }   // kbit/s
  const std::u16string& Title() const { return FTitle; }
  const std::u16string& Artist() const { return FArtist; }
  const std::u16string& Album() const { return FAlbum; }
  int32_t Track() const { return FTrack; }
  const std::u16string& Year() const { return FYear; }
  const std::u16string& Genre() const { return FGenre; }
  const std::u16string& Comment() const { return FComment; }

  static constexpr size_t kMaxStringUnits = 250;   // longer strings are cut here
  static constexpr int kMaxHeaderObjects = 65536;  // the walk's bound; real headers hold a few

 private:
  bool FValid;
  int32_t FFileSize;
  uint8_t FChannelModeID;
  int32_t FSampleRate;
  double FDuration;
  int32_t FBitRate;
  std::u16string FTitle, FArtist, FAlbum;
  int32_t FTrack;
  std::u16string FYear, FGenre, FComment;
};
