#pragma once
// TFLACfile: the stream properties of a FLAC file from its stream information block, and the
// title, artist and album from its Vorbis comment block. The ID3v1 and ID3v2 objects are
// published for the front-end's fallback but never filled: FLAC keeps its tags in comments.

#include <cstdint>
#include <memory>
#include <string>

#include "tags/ID3v1.h"
#include "tags/ID3v2.h"
#include "tags/sMediaTag.h"

class TFileReader;

class TFLACfile : public TsMediaTag {
 public:
  static const TsMediaTagClass ClassRef;
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassInfo() const override { return StaticClass(); }

  TFLACfile();
  void ResetData();
  // True whenever the first 26 bytes could be read, FLAC or not; false for a missing file or
  // one of fewer than 26 bytes.
  bool ReadFromFile(const std::string& FileName) override;

  uint8_t Channels() const { return FChannels; }
  int32_t SampleRate() const { return FSampleRate; }
  uint8_t BitsPerSample() const { return FBitsPerSample; }
  int32_t FileLength() const { return FFileLength; }
  int32_t Samples() const { return FSamples; }  // low 32 bits of the 36-bit total
  const TID3v1* ID3v1() const { return FID3v1.get(); }
  const TID3v2* ID3v2() const { return FID3v2.get(); }
  const std::string& Title() const { return FTitle; }
  const std::string& Artist() const { return FArtist; }  // ARTIST, else PERFORMER
  const std::string& Album() const { return FAlbum; }

  // Computed on each read.
  bool Valid() const;
  double Duration() const;  // seconds
  double Ratio() const;     // file size as a percentage of the raw sample data

 private:
  void ReadComments(TFileReader& file);

  uint8_t FChannels;
  int32_t FSampleRate;
  uint8_t FBitsPerSample;
  int32_t FFileLength;
  int32_t FSamples;
  std::string FTitle, FArtist, FAlbum;
  std::unique_ptr<TID3v1> FID3v1;
  std::unique_ptr<TID3v2> FID3v2;
};
