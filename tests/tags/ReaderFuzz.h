#pragma once
// One fuzz input for a stream reader: the bytes become a file (in /dev/shm when there is one,
// so that millions of inputs cost no disk), the reader reads it, and every published property
// must then render. Only a crash, a sanitizer report or a hang is a finding.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "tags/sMediaTag.h"

namespace readerfuzz {

// A file of its own per fuzzing process, removed with the process's static objects.
class TInputFile {
 public:
  TInputFile() {
    std::error_code ec;
    const std::string base = std::filesystem::is_directory("/dev/shm", ec)
                                 ? std::string("/dev/shm")
                                 : std::filesystem::temp_directory_path().string();
    std::string name = base + "/orvane-fuzz-reader-XXXXXX";
    const int fd = mkstemp(name.data());
    if (fd >= 0) close(fd);
    FPath = name;
  }
  ~TInputFile() { unlink(FPath.c_str()); }
  TInputFile(const TInputFile&) = delete;
  TInputFile& operator=(const TInputFile&) = delete;

  const std::string& Write(const uint8_t* data, size_t size) const {
    if (std::FILE* f = std::fopen(FPath.c_str(), "wb")) {
      std::fwrite(data, 1, size, f);
      std::fclose(f);
    }
    return FPath;
  }

 private:
  std::string FPath;
};

template <class TReader>
int ReadInput(const uint8_t* data, size_t size) {
  static const TInputFile input;
  TReader reader;
  reader.ReadFromFile(input.Write(data, size));
  for (const TPropInfo* prop : reader.ClassInfo().AllProperties()) {
    PropValueToText(*prop, prop->Get(reader));
  }
  return 0;
}

}  // namespace readerfuzz
