#include "tags/TwinVQ.h"

const TsMediaTagClass TTwinVQ::ClassRef = MakeClassRef<TTwinVQ>("TTwinVQ");

const TClassInfo& TTwinVQ::StaticClass() {
  static const TClassInfo info("TTwinVQ", &TsMediaTag::StaticClass(), {});
  return info;
}

bool TTwinVQ::ReadFromFile(const std::string&) { return false; }
