#include "tags/sMediaTagReader.h"

#include "tags/AACfile.h"
#include "tags/CDAtrack.h"
#include "tags/FLACfile.h"
#include "tags/MPEGaudio.h"
#include "tags/MPEGplus.h"
#include "tags/Monkey.h"
#include "tags/OggVorbis.h"
#include "tags/TwinVQ.h"
#include "tags/WAVfile.h"
#include "tags/WMAfile.h"
#include "tags/fnmatch.h"

const std::array<TReaderPattern, 10> ReaderPatterns = {{
    {"*.aac", &TAACfile::ClassRef},
    {"*.ape", &TMonkey::ClassRef},
    {"*.cda", &TCDAtrack::ClassRef},
    {"*.flac;*.fla", &TFLACfile::ClassRef},
    {"*.ogg", &TOggVorbis::ClassRef},
    {"*.vqf;*.svf", &TTwinVQ::ClassRef},
    {"*.wav", &TWAVfile::ClassRef},
    {"*.asf;*.wma", &TWMAfile::ClassRef},
    {"*.mpc;*.mp+;*.mpp", &TMPEGplus::ClassRef},
    {"*.mp?;*.rmp", &TMPEGaudio::ClassRef},
}};

const std::array<std::string_view, 3> SubTagNames = {"ID3v2", "ID3v1", "APEtag"};

std::array<const TsMediaTagClass*, 11> ReaderClasses = {
    nullptr,
    &TWMAfile::ClassRef,
    &TMPEGaudio::ClassRef,
    &TMPEGplus::ClassRef,
    &TOggVorbis::ClassRef,
    &TMonkey::ClassRef,
    &TAACfile::ClassRef,
    &TFLACfile::ClassRef,
    &TTwinVQ::ClassRef,
    &TWAVfile::ClassRef,
    &TCDAtrack::ClassRef,
};

namespace {

const TsMediaTagClass* ClassForName(const std::string& fileName) {
  for (const TReaderPattern& row : ReaderPatterns) {
    if (WildMatchList(fileName, row.Patterns, ";")) return row.Class;
  }
  return nullptr;
}

// One reader's try: its instance when it accepted the file, nullptr when it rejected it or
// failed in any way (a failure inside a reader is its rejection, never the caller's problem).
std::unique_ptr<TsMediaTag> TryReader(const TsMediaTagClass& cls, const std::string& fileName) {
  try {
    std::unique_ptr<TsMediaTag> reader = cls.Create();
    if (reader != nullptr && reader->ReadFromFile(fileName)) return reader;
  } catch (...) {
  }
  return nullptr;
}

}  // namespace

bool TsMediaTagReader::ReadTags(const std::string& FileName) {
  FCurrentReader.reset();
  ReaderClasses[0] = ClassForName(FileName);
  for (const TsMediaTagClass* cls : ReaderClasses) {
    if (cls == nullptr) continue;
    FCurrentReader = TryReader(*cls, FileName);
    if (FCurrentReader != nullptr) break;
  }
  return FCurrentReader != nullptr;
}

std::string TsMediaTagReader::GetTagValue(std::string_view Name) const {
  if (FCurrentReader == nullptr) return "";
  try {
    std::string value = GetPropText(*FCurrentReader, Name);
    for (size_t i = 0; value.empty() && i < SubTagNames.size(); ++i) {
      // A property of that name that is no object (TOggVorbis's Boolean "ID3v2") is passed over.
      const TPersistent* tag = GetPropObject(*FCurrentReader, SubTagNames[i]);
      if (tag != nullptr) value = GetPropText(*tag, Name);
    }
    return value;
  } catch (...) {
    return "";  // a getter that fails gives no value, never an error to the window
  }
}
