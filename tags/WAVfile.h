#pragma once
// TWAVfile: the stream properties of a RIFF/WAVE file from its first header bytes, the play
// time from its data chunk, and the title, artist and album from its LIST/INFO chunk or its
// ID3 chunk (an ID3v2 tag kept in a chunk), which wins where both give a text.

#include <cstdint>
#include <string>

#include "tags/sMediaTag.h"

class TFileReader;

class TWAVfile : public TsMediaTag {
 public:
  static const TsMediaTagClass ClassRef;
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassInfo() const override { return StaticClass(); }

  TWAVfile();
  void ResetData();
  // True when the header bytes could be read, whether or not they describe a valid file; the
  // fields are filled only when they do.
  bool ReadFromFile(const std::string& FileName) override;

  bool Valid() const { return FValid; }
  uint16_t FormatID() const { return FFormatID; }
  uint8_t ChannelNumber() const { return FChannelNumber; }
  uint32_t SampleRate() const { return FSampleRate; }
  uint32_t BytesPerSecond() const { return FBytesPerSecond; }
  uint16_t BlockAlign() const { return FBlockAlign; }
  uint8_t BitsPerSample() const { return FBitsPerSample; }
  uint16_t HeaderSize() const { return FHeaderSize; }  // bytes in front of the audio data
  uint32_t FileSize() const { return FFileSize; }      // RIFF chunk size plus 8
  int32_t FactSampleCount() const { return FFactSampleCount; }
  // 8-bit text as stored in an INFO chunk, or an ID3 chunk's text.
  const std::string& Title() const { return FTitle; }
  const std::string& Artist() const { return FArtist; }
  const std::string& Album() const { return FAlbum; }

  // Computed on each read.
  std::string Format() const;
  std::string ChannelMode() const;
  double Duration() const;  // seconds

 private:
  bool FValid;
  uint16_t FFormatID;
  uint8_t FChannelNumber;
  uint32_t FSampleRate;
  uint32_t FBytesPerSecond;
  uint16_t FBlockAlign;
  uint8_t FBitsPerSample;
  uint16_t FHeaderSize;
  uint32_t FFileSize;
  int32_t FFactSampleCount;  // sample count of a fact chunk after the format chunk, else 0
  int64_t FDataBytes;        // audio bytes of the data chunk within the file; -1: none found
  std::string FTitle, FArtist, FAlbum;

  void ReadChunks(TFileReader& file);
};
