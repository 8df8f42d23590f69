// Any bytes as a file for TMPEGaudio: reading must end, without a crash, and every published
// property must then be readable.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "tags/MPEGaudio.h"

namespace {

// One temporary file per fuzzing process, rewritten for every input and removed at exit.
struct TInputFile {
  TInputFile() {
    char name[] = "/tmp/orvane-fuzz-mpegaudio-XXXXXX";
    const int fd = mkstemp(name);
    if (fd >= 0) close(fd);
    Path = name;
  }
  ~TInputFile() { unlink(Path.c_str()); }
  std::string Path;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const TInputFile input;
  const std::string& path = input.Path;
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  TMPEGaudio reader;
  reader.ReadFromFile(path);
  for (const TPropInfo* prop : reader.ClassInfo().AllProperties()) {
    PropValueToText(*prop, prop->Get(reader));
  }
  return 0;
}
