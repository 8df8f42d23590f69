#include "tags/CDAtrack.h"

#include <array>
#include <cstdio>

#include "platform/CodePage.h"
#include "platform/ExePath.h"
#include "platform/Profile.h"
#include "tags/ByteReader.h"

namespace {

// File fields; numbers are little-endian.
constexpr size_t kTrackAt = 22, kSerialAt = 24, kStartAt = 28, kLengthAt = 32;
constexpr double kFramesPerSecond = 75;

std::string& IniFolderOverride() {
  static std::string folder;
  return folder;
}

// The disc's section: its volume serial number in upper-case hexadecimal, two digits at least.
std::string SectionOf(uint32_t serial) {
  char text[16];
  std::snprintf(text, sizeof text, "%.2X", static_cast<unsigned>(serial));
  return text;
}

// Track title, artist and disc title; a failure keeps what was found before it.
struct TIniTexts {
  std::string title, artist, album;
};

TIniTexts LookUpDisc(uint32_t serial, uint16_t track) {
  TIniTexts texts;
  try {
    const std::string section = SectionOf(serial);
    const std::string ini = TCDAtrack::CDPlayerIniPath();
    texts.title = platform::GetPrivateProfileStringA(section, std::to_string(track), "", ini);
    texts.artist = platform::GetPrivateProfileStringA(section, "artist", "", ini);
    texts.album = platform::GetPrivateProfileStringA(section, "title", "", ini);
  } catch (...) {
  }
  return texts;
}

}  // namespace

const TsMediaTagClass TCDAtrack::ClassRef = MakeClassRef<TCDAtrack>("TCDAtrack");

const TClassInfo& TCDAtrack::StaticClass() {
  static const TClassInfo info("TCDAtrack", &TsMediaTag::StaticClass(), {
      Publish("Valid", &TCDAtrack::Valid),
      Publish("Title", &TCDAtrack::Title),
      Publish("Artist", &TCDAtrack::Artist),
      Publish("Album", &TCDAtrack::Album),
      Publish("Duration", &TCDAtrack::Duration),
      Publish("Track", &TCDAtrack::Track),
      Publish("Position", &TCDAtrack::Position),
  });
  return info;
}

TCDAtrack::TCDAtrack() { ResetData(); }

void TCDAtrack::ResetData() {
  FValid = false;
  FTitle.clear();
  FArtist.clear();
  FAlbum.clear();
  FDuration = 0;
  FTrack = 0;
  FPosition = 0;
}

bool TCDAtrack::ReadFromFile(const std::string& FileName) {
  ResetData();
  std::array<uint8_t, kFileBytes> bytes{};  // a shorter file leaves the rest zero
  {
    TFileReader file(FileName);
    if (!file.IsOpen()) return false;
    file.Read(bytes.data(), bytes.size());
  }
  const TByteReader r(bytes);
  const uint16_t track = r.U16LE(kTrackAt);
  const TIniTexts texts = LookUpDisc(r.U32LE(kSerialAt), track);
  if (!r.Matches(0, "RIFF") || !r.Matches(8, "CDDAfmt ")) return true;
  FValid = true;
  FTitle = platform::AnsiToWide(texts.title);
  FArtist = platform::AnsiToWide(texts.artist);
  FAlbum = platform::AnsiToWide(texts.album);
  FDuration = static_cast<int32_t>(r.U32LE(kLengthAt)) / kFramesPerSecond;
  FTrack = track;
  FPosition = static_cast<int32_t>(r.U32LE(kStartAt)) / kFramesPerSecond;
  return true;
}

std::string TCDAtrack::CDPlayerIniPath() {
  const std::string& folder = IniFolderOverride();
  const std::string base = folder.empty() ? platform::GetExeFolder()
                                          : platform::IncludeTrailingPathDelimiter(folder);
  return base + "cdplayer.ini";
}

void TCDAtrack::SetCDPlayerIniFolder(const std::string& folder) { IniFolderOverride() = folder; }
