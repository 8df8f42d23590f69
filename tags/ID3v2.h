#pragma once
// TID3v2: the text fields of an ID3v2 tag (major versions 2, 3 and 4) at the start of a file.
// Only 16 kinds of frame are read, only their first 500 bytes; their text may be ISO-8859-1,
// UTF-16 (with or without a byte-order mark) or UTF-8.

#include <cstdint>
#include <span>
#include <string>

#include "tags/sMediaTag.h"

class TFileReader;

// The whole tag's size from its 10-byte header: the four size bytes added whole (bit 7 is not
// masked), plus the header, plus a footer when flag 0x10 says there is one. Readers that only
// skip the tag use this too.
int64_t ID3v2TagSizeBytes(std::span<const uint8_t> header);

class TID3v2 : public TPersistent {
 public:
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassInfo() const override { return StaticClass(); }

  TID3v2();
  void ResetData();
  // False only when the first 10 bytes of the file could not be read.
  bool ReadFromFile(const std::string& FileName);
  // The same from a file a container reader has open already; moves the file's position. A
  // tag that a container keeps inside (a WAV file's ID3 chunk) starts at tagAt.
  bool ReadFromFile(TFileReader& file, int64_t tagAt = 0);

  bool Exists() const { return FExists; }
  uint8_t VersionID() const { return FVersionID; }
  // The whole tag in bytes, header and footer included; 0 when that would exceed the file.
  // Container readers take the audio data to start here.
  int32_t Size() const { return FSize; }
  const std::string& Title() const { return FTitle; }
  const std::string& Artist() const { return FArtist; }
  const std::string& Album() const { return FAlbum; }
  uint16_t Track() const { return FTrack; }
  const std::string& TrackString() const { return FTrackString; }
  const std::string& Year() const { return FYear; }
  const std::string& Genre() const { return FGenre; }
  const std::string& Comment() const { return FComment; }
  const std::string& Composer() const { return FComposer; }
  const std::string& Encoder() const { return FEncoder; }
  const std::string& Copyright() const { return FCopyright; }
  const std::string& Language() const { return FLanguage; }
  const std::string& Link() const { return FLink; }

  // Stored in memory only, with leading and trailing 0x00-0x20 bytes removed.
  void SetTitle(const std::string& value);
  void SetArtist(const std::string& value);
  void SetAlbum(const std::string& value);
  void SetTrack(uint16_t value) { FTrack = value; }
  void SetYear(const std::string& value);
  void SetGenre(const std::string& value);
  void SetComment(const std::string& value);
  void SetComposer(const std::string& value);
  void SetEncoder(const std::string& value);
  void SetCopyright(const std::string& value);
  void SetLanguage(const std::string& value);
  void SetLink(const std::string& value);

 private:
  bool FExists;
  uint8_t FVersionID;
  int32_t FSize;
  std::string FTitle, FArtist, FAlbum;
  uint16_t FTrack;
  std::string FTrackString, FYear, FGenre, FComment, FComposer, FEncoder, FCopyright, FLanguage,
      FLink;
};
