#pragma once
// TTwinVQ: a TwinVQ file: stream properties from the fixed "TWIN" header, text fields from the
// chunks between the header and the "DATA" chunk. Texts are 8-bit, exactly as stored.

#include <cstdint>
#include <string>

#include "tags/sMediaTag.h"

class TTwinVQ : public TsMediaTag {
 public:
  static const TsMediaTagClass ClassRef;
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassInfo() const override { return StaticClass(); }

  TTwinVQ();
  void ResetData();
  // True when the first 40 bytes could be read, whether or not they are a TwinVQ header.
  bool ReadFromFile(const std::string& FileName) override;

  bool Valid() const { return FValid; }
  uint8_t ChannelModeID() const { return FChannelModeID; }  // 0 unknown, 1 mono, 2 stereo
  std::string ChannelMode() const;
  uint8_t BitRate() const { return FBitRate; }  // kbit/s, low 8 bits of the header field
  uint16_t SampleRate() const { return FSampleRate; }
  uint32_t FileSize() const { return FFileSize; }
  double Duration() const { return FDuration; }  // seconds
  const std::string& Title() const { return FTitle; }
  const std::string& Comment() const { return FComment; }
  const std::string& Author() const { return FAuthor; }
  const std::string& Copyright() const { return FCopyright; }
  const std::string& OriginalFile() const { return FOriginalFile; }
  const std::string& Album() const { return FAlbum; }
  bool Corrupted() const;

  static constexpr size_t kHeaderBytes = 40;
  static constexpr size_t kValueBytes = 250;  // a chunk's text is cut here
  static constexpr int kMaxChunks = 1000;     // the walk's bound; real files have about ten

 private:
  bool FValid;
  uint8_t FChannelModeID;
  uint8_t FBitRate;
  uint16_t FSampleRate;
  uint32_t FFileSize;
  double FDuration;
  std::string FTitle, FComment, FAuthor, FCopyright, FOriginalFile, FAlbum;
};
