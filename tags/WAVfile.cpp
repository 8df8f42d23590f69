#include "tags/WAVfile.h"

const TsMediaTagClass TWAVfile::ClassRef = MakeClassRef<TWAVfile>("TWAVfile");

const TClassInfo& TWAVfile::StaticClass() {
  static const TClassInfo info("TWAVfile", &TsMediaTag::StaticClass(), {});
  return info;
}

bool TWAVfile::ReadFromFile(const std::string&) { return false; }
