#include "tags/ID3v2.h"

#include "tags/TagText.h"

const TClassInfo& TID3v2::StaticClass() {
  static const TClassInfo info("TID3v2", &TPersistent::StaticClass(), {
      Publish("Exists", &TID3v2::Exists),
      Publish("VersionID", &TID3v2::VersionID),
      Publish("Size", &TID3v2::Size),
      Publish("Title", &TID3v2::Title),
      Publish("Artist", &TID3v2::Artist),
      Publish("Album", &TID3v2::Album),
      Publish("Track", &TID3v2::Track),
      Publish("TrackString", &TID3v2::TrackString),
      Publish("Year", &TID3v2::Year),
      Publish("Genre", &TID3v2::Genre),
      Publish("Comment", &TID3v2::Comment),
      Publish("Composer", &TID3v2::Composer),
      Publish("Encoder", &TID3v2::Encoder),
      Publish("Copyright", &TID3v2::Copyright),
      Publish("Language", &TID3v2::Language),
      Publish("Link", &TID3v2::Link),
  });
  return info;
}

TID3v2::TID3v2() { ResetData(); }

void TID3v2::ResetData() {
  FExists = false;
  FVersionID = 0;
  FSize = 0;
  FTrack = 0;
  for (std::string* s : {&FTitle, &FArtist, &FAlbum, &FTrackString, &FYear, &FGenre, &FComment,
                         &FComposer, &FEncoder, &FCopyright, &FLanguage, &FLink}) {
    s->clear();
  }
}

bool TID3v2::ReadFromFile(const std::string&) {
  ResetData();
  return false;
}

void TID3v2::SetTitle(const std::string& value) { FTitle = TrimControl(value); }
void TID3v2::SetArtist(const std::string& value) { FArtist = TrimControl(value); }
void TID3v2::SetAlbum(const std::string& value) { FAlbum = TrimControl(value); }
void TID3v2::SetYear(const std::string& value) { FYear = TrimControl(value); }
void TID3v2::SetGenre(const std::string& value) { FGenre = TrimControl(value); }
void TID3v2::SetComment(const std::string& value) { FComment = TrimControl(value); }
void TID3v2::SetComposer(const std::string& value) { FComposer = TrimControl(value); }
void TID3v2::SetEncoder(const std::string& value) { FEncoder = TrimControl(value); }
void TID3v2::SetCopyright(const std::string& value) { FCopyright = TrimControl(value); }
void TID3v2::SetLanguage(const std::string& value) { FLanguage = TrimControl(value); }
void TID3v2::SetLink(const std::string& value) { FLink = TrimControl(value); }
