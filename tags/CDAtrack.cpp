#include "tags/CDAtrack.h"

const TsMediaTagClass TCDAtrack::ClassRef = MakeClassRef<TCDAtrack>("TCDAtrack");

const TClassInfo& TCDAtrack::StaticClass() {
  static const TClassInfo info("TCDAtrack", &TsMediaTag::StaticClass(), {});
  return info;
}

bool TCDAtrack::ReadFromFile(const std::string&) { return false; }
