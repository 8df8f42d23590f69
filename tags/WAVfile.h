#pragma once
// TWAVfile: placeholder that rejects every file until its reader is written. The front-end needs
// only what is declared here: the class reference, the published-property table and
// ReadFromFile.

#include <string>

#include "tags/sMediaTag.h"

class TWAVfile : public TsMediaTag {
 public:
  static const TsMediaTagClass ClassRef;
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassInfo() const override { return StaticClass(); }

  bool ReadFromFile(const std::string& FileName) override;
};
