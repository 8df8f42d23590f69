#pragma once
// TOggVorbis: an Ogg Vorbis file. Stream properties from the identification header, text
// fields from the comment header, play time from the granule position of the last page. An
// ID3v2 tag in front of the stream is skipped by its size; its contents are not read.

#include <cstdint>
#include <string>
#include <string_view>

#include "tags/sMediaTag.h"

class TOggVorbis : public TsMediaTag {
 public:
  static const TsMediaTagClass ClassRef;
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassInfo() const override { return StaticClass(); }

  TOggVorbis();
  void ResetData();
  // True when the file starts (after any ID3v2 tag) with an Ogg page whose first packet is a
  // Vorbis identification header; that alone does not make the file Valid.
  bool ReadFromFile(const std::string& FileName) override;

  int32_t FileSize() const { return FFileSize; }
  uint8_t ChannelModeID() const { return FChannelModeID; }
  uint16_t SampleRate() const { return FSampleRate; }  // low 16 bits of the header's rate
  uint16_t BitRateNominal() const { return FBitRateNominal; }
  const std::string& Title() const { return FTitle; }
  const std::string& Artist() const { return FArtist; }  // ARTIST, else PERFORMER
  const std::string& Album() const { return FAlbum; }
  uint16_t Track() const { return FTrack; }
  const std::string& Date() const { return FDate; }
  const std::string& Genre() const { return FGenre; }
  const std::string& Comment() const { return FComment; }  // COMMENT, else DESCRIPTION
  const std::string& Vendor() const { return FVendor; }
  int32_t SampleCount() const { return FSampleCount; }
  int32_t ID3v2Size() const { return FID3v2Size; }

  // The text fields can be changed in memory; nothing is ever written to the file.
  void SetTitle(const std::string& value) { FTitle = value; }
  void SetArtist(const std::string& value) { FArtist = value; }
  void SetAlbum(const std::string& value) { FAlbum = value; }
  void SetTrack(uint16_t value) { FTrack = value; }
  void SetDate(const std::string& value) { FDate = value; }
  void SetGenre(const std::string& value) { FGenre = value; }
  void SetComment(const std::string& value) { FComment = value; }

  // Computed on each read.
  std::string ChannelMode() const;
  double Duration() const;  // seconds
  uint16_t BitRate() const;  // average kbit/s
  bool ID3v2() const { return FID3v2Size > 0; }
  bool Valid() const;

 private:
  int32_t FFileSize;
  uint8_t FChannelModeID;
  uint16_t FSampleRate;
  uint16_t FBitRateNominal;
  std::string FTitle, FArtist, FAlbum;
  uint16_t FTrack;
  std::string FDate, FGenre, FComment, FVendor;
  int32_t FSampleCount;  // low 32 bits of the last page's granule position; 0 when none found
  int32_t FID3v2Size;    // bytes of an ID3v2 tag in front of the stream; 0 when none
};

// The UTF-8 value of a Vorbis comment in the ANSI code page. Decoding stops at the first broken
// sequence, keeping the text before it. FLAC files carry the same comments.
std::string VorbisCommentText(std::string_view utf8);
