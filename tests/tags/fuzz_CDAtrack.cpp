// TCDAtrack on arbitrary bytes: no read outside a buffer, no hang, no escaping exception. A small
// "cdplayer.ini" in a folder of the fuzzer's own gives the lookups sections to find.

#include <fstream>

#include "FuzzSupport.h"
#include "ReaderFuzz.h"
#include "tags/CDAtrack.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const fuzzsupport::TInputFolder iniFolder;
  static const bool iniWritten = [] {
    const std::string ini = iniFolder.Write(nullptr, 0, "-unused");
    const std::string folder = ini.substr(0, ini.rfind('/'));
    std::ofstream(folder + "/cdplayer.ini")
        << "[00]\n0=Zero\nartist=A\ntitle=T\n[1A2B3C4D]\n1=One\n";
    TCDAtrack::SetCDPlayerIniFolder(folder);
    return true;
  }();
  (void)iniWritten;
  return readerfuzz::ReadInput<TCDAtrack>(data, size);
}
