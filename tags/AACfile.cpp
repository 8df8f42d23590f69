#include "tags/AACfile.h"

const TsMediaTagClass TAACfile::ClassRef = MakeClassRef<TAACfile>("TAACfile");

const TClassInfo& TAACfile::StaticClass() {
  static const TClassInfo info("TAACfile", &TsMediaTag::StaticClass(), {});
  return info;
}

bool TAACfile::ReadFromFile(const std::string&) { return false; }
