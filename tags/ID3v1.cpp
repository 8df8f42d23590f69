#include "tags/ID3v1.h"

#include <array>

#include "tags/ByteReader.h"
#include "tags/TagText.h"

namespace {

// The 80 genres of the ID3v1 definition and the 68 extensions in common use, spelled as the
// tag writers of the time spelled them ("Psychadelic", "Bebob", "Progessive Rock").
constexpr std::array<const char*, TID3v1::kGenreCount> kGenres = {
    "Blues", "Classic Rock", "Country", "Dance", "Disco", "Funk", "Grunge", "Hip-Hop", "Jazz",
    "Metal", "New Age", "Oldies", "Other", "Pop", "R&B", "Rap", "Reggae", "Rock", "Techno",
    "Industrial", "Alternative", "Ska", "Death Metal", "Pranks", "Soundtrack", "Euro-Techno",
    "Ambient", "Trip-Hop", "Vocal", "Jazz+Funk", "Fusion", "Trance", "Classical", "Instrumental",
    "Acid", "House", "Game", "Sound Clip", "Gospel", "Noise", "AlternRock", "Bass", "Soul",
    "Punk", "Space", "Meditative", "Instrumental Pop", "Instrumental Rock", "Ethnic", "Gothic",
    "Darkwave", "Techno-Industrial", "Electronic", "Pop-Folk", "Eurodance", "Dream",
    "Southern Rock", "Comedy", "Cult", "Gangsta", "Top 40", "Christian Rap", "Pop/Funk",
    "Jungle", "Native American", "Cabaret", "New Wave", "Psychadelic", "Rave", "Showtunes",
    "Trailer", "Lo-Fi", "Tribal", "Acid Punk", "Acid Jazz", "Polka", "Retro", "Musical",
    "Rock & Roll", "Hard Rock", "Folk", "Folk-Rock", "National Folk", "Swing", "Fast Fusion",
    "Bebob", "Latin", "Revival", "Celtic", "Bluegrass", "Avantgarde", "Gothic Rock",
    "Progessive Rock", "Psychedelic Rock", "Symphonic Rock", "Slow Rock", "Big Band", "Chorus",
    "Easy Listening", "Acoustic", "Humour", "Speech", "Chanson", "Opera", "Chamber Music",
    "Sonata", "Symphony", "Booty Bass", "Primus", "Porn Groove", "Satire", "Slow Jam", "Club",
    "Tango", "Samba", "Folklore", "Ballad", "Power Ballad", "Rhythmic Soul", "Freestyle", "Duet",
    "Punk Rock", "Drum Solo", "A capella", "Euro-House", "Dance Hall", "Goa", "Drum & Bass",
    "Club-House", "Hardcore", "Terror", "Indie", "BritPop", "Negerpunk", "Polsk Punk", "Beat",
    "Christian Gangsta Rap", "Heavy Metal", "Black Metal", "Crossover", "Contemporary Christian",
    "Christian Rock", "Merengue", "Salsa", "Trash Metal", "Anime", "JPop", "Synthpop",
};

// Field offsets inside the 128-byte tag.
constexpr size_t kTitleAt = 3, kArtistAt = 33, kAlbumAt = 63, kYearAt = 93, kCommentAt = 97;
constexpr size_t kSeparatorAt = 125, kTrackAt = 126, kGenreAt = 127;

std::string Field(const TByteReader& tag, size_t at, size_t len) {
  return TrimRightControl(tag.Text(at, len));
}

// ID3v1.1 keeps a track number in the comment's last byte, behind a 0x00 (or space) separator.
bool IsVersion11(const TByteReader& tag) {
  const uint8_t sep = tag.U8(kSeparatorAt), track = tag.U8(kTrackAt);
  return (sep == 0x00 && track != 0x00) || (sep == 0x20 && track != 0x20);
}

}  // namespace

const TClassInfo& TID3v1::StaticClass() {
  static const TClassInfo info("TID3v1", &TPersistent::StaticClass(), {
      Publish("Exists", &TID3v1::Exists),
      Publish("VersionID", &TID3v1::VersionID),
      Publish("Title", &TID3v1::Title),
      Publish("Artist", &TID3v1::Artist),
      Publish("Album", &TID3v1::Album),
      Publish("Year", &TID3v1::Year),
      Publish("Comment", &TID3v1::Comment),
      Publish("Track", &TID3v1::Track),
      Publish("GenreID", &TID3v1::GenreID),
      Publish("Genre", &TID3v1::Genre),
  });
  return info;
}

TID3v1::TID3v1() { ResetData(); }

void TID3v1::ResetData() {
  FExists = false;
  FVersionID = 1;
  FTitle.clear();
  FArtist.clear();
  FAlbum.clear();
  FYear.clear();
  FComment.clear();
  FTrack = 0;
  FGenreID = 255;
}

bool TID3v1::ReadFromFile(const std::string& FileName) {
  TFileReader file(FileName);
  return ReadFromFile(file);
}

bool TID3v1::ReadFromFile(TFileReader& file) {
  ResetData();
  uint8_t bytes[kTagSizeBytes];
  if (!file.IsOpen() || file.Size() < kTagSizeBytes) return false;
  if (!file.Seek(file.Size() - kTagSizeBytes) || !file.ReadExact(bytes, kTagSizeBytes)) {
    return false;
  }
  const TByteReader tag(bytes, kTagSizeBytes);
  if (!tag.Matches(0, "TAG")) return true;

  FExists = true;
  FVersionID = IsVersion11(tag) ? 2 : 1;
  FTitle = Field(tag, kTitleAt, 30);
  FArtist = Field(tag, kArtistAt, 30);
  FAlbum = Field(tag, kAlbumAt, 30);
  FYear = Field(tag, kYearAt, 4);
  if (FVersionID == 2) {
    FComment = Field(tag, kCommentAt, 28);
    FTrack = tag.U8(kTrackAt);
  } else {
    FComment = Field(tag, kCommentAt, 30);
  }
  FGenreID = tag.U8(kGenreAt);
  return true;
}

std::string TID3v1::GenreName(unsigned id) { return id < kGenres.size() ? kGenres[id] : ""; }

std::string TID3v1::Genre() const { return GenreName(FGenreID); }

void TID3v1::SetTitle(const std::string& value) { FTitle = TrimRightControl(value.substr(0, 30)); }
void TID3v1::SetArtist(const std::string& value) {
  FArtist = TrimRightControl(value.substr(0, 30));
}
void TID3v1::SetAlbum(const std::string& value) { FAlbum = TrimRightControl(value.substr(0, 30)); }
void TID3v1::SetYear(const std::string& value) { FYear = TrimRightControl(value.substr(0, 4)); }
void TID3v1::SetComment(const std::string& value) {
  FComment = TrimRightControl(value.substr(0, 30));
}
