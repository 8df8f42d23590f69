#pragma once
// TCDAtrack: a CD audio track file (the small RIFF "CDDA" file shown for each track of an audio
// CD): track number, start and length, and the titles the CD player keeps in "cdplayer.ini"
// under the disc's volume serial number.

#include <cstdint>
#include <string>

#include "tags/sMediaTag.h"

class TCDAtrack : public TsMediaTag {
 public:
  static const TsMediaTagClass ClassRef;
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassInfo() const override { return StaticClass(); }

  TCDAtrack();
  void ResetData();
  // True when the file could be opened, whatever it holds.
  bool ReadFromFile(const std::string& FileName) override;

  bool Valid() const { return FValid; }
  const std::u16string& Title() const { return FTitle; }
  const std::u16string& Artist() const { return FArtist; }
  const std::u16string& Album() const { return FAlbum; }
  double Duration() const { return FDuration; }  // seconds
  uint16_t Track() const { return FTrack; }
  double Position() const { return FPosition; }  // start on the disc, seconds

  // "cdplayer.ini" is kept with the player's settings, in the executable's folder.
  static std::string CDPlayerIniPath();
  // Tests keep their own "cdplayer.ini" in a folder of their own; "" restores the default.
  static void SetCDPlayerIniFolder(const std::string& folder);

  static constexpr size_t kFileBytes = 44;

 private:
  bool FValid;
  std::u16string FTitle, FArtist, FAlbum;
  double FDuration;
  uint16_t FTrack;
  double FPosition;
};
