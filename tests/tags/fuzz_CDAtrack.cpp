// TCDAtrack on arbitrary bytes: no read outside a buffer, no hang, no escaping exception. A small
// "cdplayer.ini" beside the input gives the lookups sections to find.

#include "FuzzSupport.h"
#include "tags/CDAtrack.h"
#include "tags/sMediaTag.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool iniWritten = [] {
    std::ofstream(fuzzsupport::Folder() + "/cdplayer.ini")
        << "[00]\n0=Zero\nartist=A\ntitle=T\n[1A2B3C4D]\n1=One\n";
    TCDAtrack::SetCDPlayerIniFolder(fuzzsupport::Folder());
    return true;
  }();
  (void)iniWritten;
  TCDAtrack reader;
  reader.ReadFromFile(fuzzsupport::WriteInput(data, size));
  // Every published property must render, whatever was read.
  for (const TPropInfo* prop : reader.ClassInfo().AllProperties()) {
    PropValueToText(*prop, prop->Get(reader));
  }
  return 0;
}
