// TWAVfile on arbitrary bytes: no read outside a buffer, no hang, no escaping exception.

#include "FuzzSupport.h"
#include "tags/WAVfile.h"
#include "tags/sMediaTag.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TWAVfile reader;
  reader.ReadFromFile(fuzzsupport::WriteInput(data, size));
  // Every published property must render, whatever was read.
  for (const TPropInfo* prop : reader.ClassInfo().AllProperties()) {
    PropValueToText(*prop, prop->Get(reader));
  }
  return 0;
}
