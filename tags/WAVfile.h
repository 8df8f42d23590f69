#pragma once
// TWAVfile: the stream properties of a RIFF/WAVE file from its first header bytes. WAV files
// carry no title or artist here: the reader publishes no text fields and reads no tags.

#include <cstdint>
#include <string>

#include "tags/sMediaTag.h"

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
};
