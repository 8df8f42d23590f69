#include "tags/OggVorbis.h"

const TsMediaTagClass TOggVorbis::ClassRef = MakeClassRef<TOggVorbis>("TOggVorbis");

const TClassInfo& TOggVorbis::StaticClass() {
  static const TClassInfo info("TOggVorbis", &TsMediaTag::StaticClass(), {});
  return info;
}

bool TOggVorbis::ReadFromFile(const std::string&) { return false; }
