#include "tags/Monkey.h"

const TsMediaTagClass TMonkey::ClassRef = MakeClassRef<TMonkey>("TMonkey");

const TClassInfo& TMonkey::StaticClass() {
  static const TClassInfo info("TMonkey", &TsMediaTag::StaticClass(), {});
  return info;
}

bool TMonkey::ReadFromFile(const std::string&) { return false; }
