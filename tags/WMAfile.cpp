#include "tags/WMAfile.h"

#include <algorithm>
#include <array>

#include "tags/ByteReader.h"
#include "tags/TagText.h"

namespace {

using TGuid = std::array<uint8_t, 16>;

// The objects the reader knows, as their GUIDs are stored in the file.
constexpr TGuid kHeaderObject = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                 0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
constexpr TGuid kFilePropertiesObject = {0xA1, 0xDC, 0xAB, 0x8C, 0x47, 0xA9, 0xCF, 0x11,
                                         0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
constexpr TGuid kStreamPropertiesObject = {0x91, 0x07, 0xDC, 0xB7, 0xB7, 0xA9, 0xCF, 0x11,
                                           0x8E, 0xE6, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
constexpr TGuid kContentDescriptionObject = {0x33, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                             0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
constexpr TGuid kExtendedContentDescriptionObject = {0x40, 0xA4, 0xD0, 0xD2, 0x07, 0xE3,
                                                     0xD2, 0x11, 0x97, 0xF0, 0x00, 0xA0,
                                                     0xC9, 0x5E, 0xA8, 0x50};

// Field offsets from the start of an object.
// File properties: play duration (100 ns units, 64 bits), send duration, preroll (ms, 64 bits),
// flags, packet sizes, maximum bit rate.
constexpr int64_t kPlayDurationAt = 64;
constexpr int64_t kChannelsAt = 80;     // stream properties: the audio format's fields
constexpr int64_t kObjectBodyAt = 24;   // after the GUID and the 64-bit size
constexpr uint32_t kObjectHeaderBytes = 24;

constexpr uint16_t kUnicodeValue = 0;  // descriptor value type of a UTF-16 string

// The gathered texts, in the order of the recognised descriptor names. "WM/TrackNumber" is
// the track attribute that Windows Media Player and ffmpeg write; the older "WM/Track" is
// read too, and used when no "WM/TrackNumber" gives a text.
enum TTextField { tfTitle, tfArtist, tfAlbum, tfTrack, tfYear, tfGenre, tfComment, tfTrackNumber,
                  kTextFields };
constexpr std::array<std::u16string_view, kTextFields> kDescriptorNames = {
    u"WM/TITLE", u"WM/AUTHOR", u"WM/ALBUMTITLE", u"WM/TRACK",
    u"WM/YEAR",  u"WM/GENRE",  u"WM/DESCRIPTION", u"WM/TRACKNUMBER"};

// What the walk gathers before the checks decide what becomes visible.
struct TWMARecord {
  int32_t fileSize = 0;
  int32_t maxBitRate = 0;
  uint64_t playDuration = 0;  // 100 ns units, the preroll included; 0 while the file is written
  uint64_t prerollMs = 0;
  uint16_t channels = 0;
  int32_t sampleRate = 0;
  int32_t byteRate = 0;  // average bytes per second
  std::array<std::u16string, kTextFields> texts;
};

std::u16string TrimWide(std::u16string_view text) {
  size_t first = 0, last = text.size();
  while (first < last && text[first] <= 32) ++first;
  while (last > first && text[last - 1] <= 32) --last;
  return std::u16string(text.substr(first, last - first));
}

std::u16string UpperAscii(std::u16string text) {
  for (char16_t& c : text) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  }
  return text;
}

// Sequential reads of the header. A short read is sticky: later reads give zeros and the walk
// stops at the next check, so a cut header is reported once, as a failure of the whole read.
class THeaderCursor {
 public:
  explicit THeaderCursor(TFileReader& file) : FFile(file) {}
  bool Short() const { return FShort; }
  int64_t Position() const { return FFile.Position(); }

  void Read(void* dest, size_t count) {
    if (FShort || !FFile.ReadExact(dest, count)) FShort = true;
  }
  uint16_t U16() { return Number<uint16_t>(); }
  uint32_t U32() { return Number<uint32_t>(); }
  uint64_t U64() { return Number<uint64_t>(); }
  TGuid Guid() {
    TGuid guid{};
    Read(guid.data(), guid.size());
    return guid;
  }
  void Seek(int64_t offset) {
    if (!FFile.Seek(offset)) FShort = true;
  }
  // Skipping past the end is no short read by itself; the next read is.
  void Skip(int64_t count) { Seek(FFile.Position() + count); }

  // L bytes of UTF-16 text: at most 250 units are kept, the rest is skipped.
  std::u16string CountedString(uint16_t lengthBytes) {
    const size_t units = std::min<size_t>(lengthBytes / 2, TWMAfile::kMaxStringUnits);
    std::array<uint8_t, 2 * TWMAfile::kMaxStringUnits> bytes{};
    Read(bytes.data(), 2 * units);
    Skip(lengthBytes - 2 * static_cast<int64_t>(units));
    const TByteReader r(bytes.data(), 2 * units);
    std::u16string text(units, u'\0');
    for (size_t i = 0; i < units; ++i) text[i] = static_cast<char16_t>(r.U16LE(2 * i));
    return text;
  }

 private:
  template <class T>
  T Number() {
    std::array<uint8_t, sizeof(T)> bytes{};
    Read(bytes.data(), bytes.size());
    T value = 0;
    for (size_t i = sizeof(T); i-- > 0;) value = static_cast<T>(value << 8 | bytes[i]);
    return value;
  }

  TFileReader& FFile;
  bool FShort = false;
};

void ReadFileProperties(THeaderCursor& in, int64_t objectAt, TWMARecord& record) {
  in.Seek(objectAt + kPlayDurationAt);
  record.playDuration = in.U64();
  in.Skip(8);  // send duration
  record.prerollMs = in.U64();
  in.Skip(4 + 4 + 4);  // flags, minimum and maximum packet size
  record.maxBitRate = static_cast<int32_t>(in.U32());
}

void ReadStreamProperties(THeaderCursor& in, int64_t objectAt, TWMARecord& record) {
  in.Seek(objectAt + kChannelsAt);
  record.channels = in.U16();
  record.sampleRate = static_cast<int32_t>(in.U32());
  record.byteRate = static_cast<int32_t>(in.U32());
}

// Title, author, copyright, description and rating; copyright and rating are dropped, and an
// empty string leaves its field as an earlier object set it.
void ReadContentDescription(THeaderCursor& in, int64_t objectAt, TWMARecord& record) {
  in.Seek(objectAt + kObjectBodyAt);
  std::array<uint16_t, 5> lengths{};
  for (uint16_t& length : lengths) length = in.U16();
  constexpr std::array<int, 5> kFieldOf = {tfTitle, tfArtist, -1, tfComment, -1};
  for (size_t i = 0; i < lengths.size(); ++i) {
    std::u16string text = in.CountedString(lengths[i]);
    if (lengths[i] != 0 && kFieldOf[i] >= 0) record.texts[kFieldOf[i]] = std::move(text);
  }
}

void ReadExtendedContentDescription(THeaderCursor& in, int64_t objectAt, TWMARecord& record) {
  in.Seek(objectAt + kObjectBodyAt);
  const uint16_t count = in.U16();
  for (uint16_t i = 0; i < count && !in.Short(); ++i) {
    const std::u16string name = in.CountedString(in.U16());
    const uint16_t type = in.U16();
    const uint16_t valueBytes = in.U16();
    if (type != kUnicodeValue) {
      in.Skip(valueBytes);  // numbers and binary values set no field
      continue;
    }
    std::u16string value = in.CountedString(valueBytes);
    const std::u16string key = UpperAscii(TrimWide(name));
    for (size_t field = 0; field < kDescriptorNames.size(); ++field) {
      if (key == kDescriptorNames[field]) record.texts[field] = value;
    }
  }
}

// The header objects one after another, in file order, so a later object's text wins.
void WalkHeaderObjects(THeaderCursor& in, int32_t objectCount, TWMARecord& record) {
  const int count = std::min(objectCount, TWMAfile::kMaxHeaderObjects);
  for (int i = 0; i < count && !in.Short(); ++i) {
    const int64_t objectAt = in.Position();
    const TGuid guid = in.Guid();
    const uint32_t sizeBytes = in.U32();  // the low half of the 64-bit size
    if (in.Short()) break;
    if (guid == kFilePropertiesObject) ReadFileProperties(in, objectAt, record);
    if (guid == kStreamPropertiesObject) ReadStreamProperties(in, objectAt, record);
    if (guid == kContentDescriptionObject) ReadContentDescription(in, objectAt, record);
    if (guid == kExtendedContentDescriptionObject) {
      ReadExtendedContentDescription(in, objectAt, record);
    }
    // No object is smaller than its own GUID and size. A size of 0 would hand the same object
    // over and over; a smaller one would read inside this object's header.
    if (sizeBytes < kObjectHeaderBytes) break;
    in.Seek(objectAt + sizeBytes);
  }
}

// The play duration less the preroll (the time the player buffers before the first sample),
// where the file gives one; else the file size over the maximum bit rate, which counts the
// header as audio and comes out 12-18 % long.
double DurationSeconds(const TWMARecord& r) {
  const double played = static_cast<double>(r.playDuration) / 1e7 -
                        static_cast<double>(r.prerollMs) / 1000;
  if (r.playDuration > 0 && played > 0) return played;
  return static_cast<double>(r.fileSize) * 8 / r.maxBitRate;
}

bool PassesChecks(const TWMARecord& r) {
  return r.maxBitRate > 0 && r.maxBitRate < 320000 && (r.channels == 1 || r.channels == 2) &&
         r.sampleRate >= 8000 && r.sampleRate <= 96000 && r.byteRate > 0 && r.byteRate < 40000;
}

}  // namespace

const TsMediaTagClass TWMAfile::ClassRef = MakeClassRef<TWMAfile>("TWMAfile");

const TClassInfo& TWMAfile::StaticClass() {
  static const TClassInfo info("TWMAfile", &TsMediaTag::StaticClass(), {
      Publish("Valid", &TWMAfile::Valid),
      Publish("FileSize", &TWMAfile::FileSize),
      Publish("ChannelModeID", &TWMAfile::ChannelModeID),
      Publish("ChannelMode", &TWMAfile::ChannelMode),
      Publish("SampleRate", &TWMAfile::SampleRate),
      Publish("Duration", &TWMAfile::Duration),
      Publish("BitRate", &TWMAfile::BitRate),
      Publish("Title", &TWMAfile::Title),
      Publish("Artist", &TWMAfile::Artist),
      Publish("Album", &TWMAfile::Album),
      Publish("Track", &TWMAfile::Track),
      Publish("Year", &TWMAfile::Year),
      Publish("Genre", &TWMAfile::Genre),
      Publish("Comment", &TWMAfile::Comment),
  });
  return info;
}

TWMAfile::TWMAfile() { ResetData(); }

void TWMAfile::ResetData() {
  FValid = false;
  FFileSize = 0;
  FChannelModeID = 0;
  FSampleRate = 0;
  FDuration = 0;
  FBitRate = 0;
  FTitle.clear();
  FArtist.clear();
  FAlbum.clear();
  FTrack = 0;
  FYear.clear();
  FGenre.clear();
  FComment.clear();
}

bool TWMAfile::ReadFromFile(const std::string& FileName) {
  ResetData();
  TFileReader file(FileName);
  if (!file.IsOpen()) return false;
  THeaderCursor in(file);
  TWMARecord record;
  record.fileSize = static_cast<int32_t>(static_cast<uint32_t>(file.Size()));
  if (in.Guid() != kHeaderObject) return !in.Short();
  in.Skip(8);  // the header object's size
  const int32_t objectCount = static_cast<int32_t>(in.U32());
  in.Skip(2);  // reserved
  WalkHeaderObjects(in, objectCount, record);
  if (in.Short()) return false;

  // Every ASF file shows its texts; the stream numbers are shown only for a stream that passes
  // the checks of an audio file.
  FTitle = TrimWide(record.texts[tfTitle]);
  FArtist = TrimWide(record.texts[tfArtist]);
  FAlbum = TrimWide(record.texts[tfAlbum]);
  std::u16string track = TrimWide(record.texts[tfTrackNumber]);
  if (track.empty()) track = TrimWide(record.texts[tfTrack]);
  FTrack = StrToInt(WideToAnsiText(track)).value_or(0);
  FYear = TrimWide(record.texts[tfYear]);
  FGenre = TrimWide(record.texts[tfGenre]);
  FComment = TrimWide(record.texts[tfComment]);
  if (!PassesChecks(record)) return true;
  FValid = true;
  FFileSize = record.fileSize;
  FChannelModeID = static_cast<uint8_t>(record.channels);
  FSampleRate = record.sampleRate;
  FDuration = DurationSeconds(record);
  FBitRate = record.byteRate * 8 / 1000;
  return true;
}

std::string TWMAfile::ChannelMode() const {
  constexpr std::array<const char*, 3> kChannelModes = {"Unknown", "Mono", "Stereo"};
  return FChannelModeID < kChannelModes.size() ? kChannelModes[FChannelModeID] : "Unknown";
}
