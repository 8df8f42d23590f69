#pragma once
// TAPEtag: the text items of an APE tag (versions 1.000 and 2.000) at the end of a file, in
// front of an ID3v1 tag when there is one. Found from its footer alone.

#include <cstdint>
#include <string>

#include "tags/sMediaTag.h"

class TFileReader;

class TAPEtag : public TPersistent {
 public:
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassInfo() const override { return StaticClass(); }

  TAPEtag();
  void ResetData();
  // False only when the footer could not be read (a file shorter than 128 bytes included).
  bool ReadFromFile(const std::string& FileName);
  // The same from a file a container reader has open already; moves the file's position.
  bool ReadFromFile(TFileReader& file);

  bool Exists() const { return FExists; }
  int32_t Version() const { return FVersion; }  // 1000 or 2000 as the footer says
  int32_t Size() const { return FSize; }        // items plus footer, without a header
  const std::string& Title() const { return FTitle; }
  const std::string& Artist() const { return FArtist; }
  const std::string& Album() const { return FAlbum; }
  uint8_t Track() const { return FTrack; }
  const std::string& Year() const { return FYear; }
  const std::string& Genre() const { return FGenre; }
  const std::string& Comment() const { return FComment; }
  const std::string& Copyright() const { return FCopyright; }

  // Stored in memory only, with leading and trailing 0x00-0x20 bytes removed.
  void SetTitle(const std::string& value);
  void SetArtist(const std::string& value);
  void SetAlbum(const std::string& value);
  void SetTrack(uint8_t value) { FTrack = value; }
  void SetYear(const std::string& value);
  void SetGenre(const std::string& value);
  void SetComment(const std::string& value);
  void SetCopyright(const std::string& value);

 private:
  bool FExists;
  int32_t FVersion;
  int32_t FSize;
  std::string FTitle, FArtist, FAlbum;
  uint8_t FTrack;
  std::string FYear, FGenre, FComment, FCopyright;
};
