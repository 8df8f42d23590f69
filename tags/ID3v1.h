#pragma once
// TID3v1: the fixed 128-byte ID3v1 / ID3v1.1 tag at the end of a file.

#include <cstdint>
#include <string>

#include "tags/sMediaTag.h"

class TFileReader;

class TID3v1 : public TPersistent {
 public:
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassInfo() const override { return StaticClass(); }

  TID3v1();
  void ResetData();
  // False only when the last 128 bytes could not be read; a file without a tag gives true.
  bool ReadFromFile(const std::string& FileName);
  // The same from a file a container reader has open already; moves the file's position.
  bool ReadFromFile(TFileReader& file);

  bool Exists() const { return FExists; }
  uint8_t VersionID() const { return FVersionID; }  // 1 = ID3v1.0, 2 = ID3v1.1
  const std::string& Title() const { return FTitle; }
  const std::string& Artist() const { return FArtist; }
  const std::string& Album() const { return FAlbum; }
  const std::string& Year() const { return FYear; }
  const std::string& Comment() const { return FComment; }
  uint8_t Track() const { return FTrack; }
  uint8_t GenreID() const { return FGenreID; }
  std::string Genre() const;  // "" for GenreID 148 and up

  // Stored in memory only: trailing 0x00-0x20 bytes removed, cut to 30 bytes (4 for Year).
  void SetTitle(const std::string& value);
  void SetArtist(const std::string& value);
  void SetAlbum(const std::string& value);
  void SetYear(const std::string& value);
  void SetComment(const std::string& value);
  void SetTrack(uint8_t value) { FTrack = value; }
  void SetGenreID(uint8_t value) { FGenreID = value; }

  static constexpr int kTagSizeBytes = 128;
  static constexpr int kGenreCount = 148;
  // The name of genre index id, "" outside the list.
  static std::string GenreName(unsigned id);

 private:
  bool FExists;
  uint8_t FVersionID;
  std::string FTitle, FArtist, FAlbum, FYear, FComment;  // 8-bit text exactly as stored
  uint8_t FTrack;
  uint8_t FGenreID;
};
