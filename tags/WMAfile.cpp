#include "tags/WMAfile.h"

const TsMediaTagClass TWMAfile::ClassRef = MakeClassRef<TWMAfile>("TWMAfile");

const TClassInfo& TWMAfile::StaticClass() {
  static const TClassInfo info("TWMAfile", &TsMediaTag::StaticClass(), {});
  return info;
}

bool TWMAfile::ReadFromFile(const std::string&) { return false; }
