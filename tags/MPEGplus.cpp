#include "tags/MPEGplus.h"

const TsMediaTagClass TMPEGplus::ClassRef = MakeClassRef<TMPEGplus>("TMPEGplus");

const TClassInfo& TMPEGplus::StaticClass() {
  static const TClassInfo info("TMPEGplus", &TsMediaTag::StaticClass(), {});
  return info;
}

bool TMPEGplus::ReadFromFile(const std::string&) { return false; }
