// TID3v1 on arbitrary bytes: no read outside a buffer, no hang, no escaping exception.

#include "FuzzSupport.h"
#include "tags/ID3v1.h"
#include "tags/sMediaTag.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TID3v1 tag;
  const fuzzsupport::TInputFolder folder;
  tag.ReadFromFile(folder.Write(data, size));
  // Every published property must render, whatever was read.
  for (const TPropInfo* prop : tag.ClassInfo().AllProperties()) {
    PropValueToText(*prop, prop->Get(tag));
  }
  return 0;
}
