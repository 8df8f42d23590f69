#include "tags/MPEGaudio.h"

const TsMediaTagClass TMPEGaudio::ClassRef = MakeClassRef<TMPEGaudio>("TMPEGaudio");

const TClassInfo& TMPEGaudio::StaticClass() {
  static const TClassInfo info("TMPEGaudio", &TsMediaTag::StaticClass(), {});
  return info;
}

bool TMPEGaudio::ReadFromFile(const std::string&) { return false; }
