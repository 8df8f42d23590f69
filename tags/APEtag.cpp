#include "tags/APEtag.h"

#include "tags/TagText.h"

const TClassInfo& TAPEtag::StaticClass() {
  static const TClassInfo info("TAPEtag", &TPersistent::StaticClass(), {
      Publish("Exists", &TAPEtag::Exists),
      Publish("Version", &TAPEtag::Version),
      Publish("Size", &TAPEtag::Size),
      Publish("Title", &TAPEtag::Title),
      Publish("Artist", &TAPEtag::Artist),
      Publish("Album", &TAPEtag::Album),
      Publish("Track", &TAPEtag::Track),
      Publish("Year", &TAPEtag::Year),
      Publish("Genre", &TAPEtag::Genre),
      Publish("Comment", &TAPEtag::Comment),
      Publish("Copyright", &TAPEtag::Copyright),
  });
  return info;
}

TAPEtag::TAPEtag() { ResetData(); }

void TAPEtag::ResetData() {
  FExists = false;
  FVersion = 0;
  FSize = 0;
  FTrack = 0;
  for (std::string* s : {&FTitle, &FArtist, &FAlbum, &FYear, &FGenre, &FComment, &FCopyright}) {
    s->clear();
  }
}

bool TAPEtag::ReadFromFile(const std::string&) {
  ResetData();
  return false;
}

void TAPEtag::SetTitle(const std::string& value) { FTitle = TrimControl(value); }
void TAPEtag::SetArtist(const std::string& value) { FArtist = TrimControl(value); }
void TAPEtag::SetAlbum(const std::string& value) { FAlbum = TrimControl(value); }
void TAPEtag::SetYear(const std::string& value) { FYear = TrimControl(value); }
void TAPEtag::SetGenre(const std::string& value) { FGenre = TrimControl(value); }
void TAPEtag::SetComment(const std::string& value) { FComment = TrimControl(value); }
void TAPEtag::SetCopyright(const std::string& value) { FCopyright = TrimControl(value); }
