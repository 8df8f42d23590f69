#include "tags/FLACfile.h"

const TsMediaTagClass TFLACfile::ClassRef = MakeClassRef<TFLACfile>("TFLACfile");

const TClassInfo& TFLACfile::StaticClass() {
  static const TClassInfo info("TFLACfile", &TsMediaTag::StaticClass(), {});
  return info;
}

bool TFLACfile::ReadFromFile(const std::string&) { return false; }
