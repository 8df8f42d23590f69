#pragma once
// The readers read files, so each fuzz input is written to a file first: into a folder of its
// own in /dev/shm (memory, so that millions of inputs do not wear a disk). The folder lives for
// one input only, because libFuzzer may leave the process without running exit handlers.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fuzzsupport {

class TInputFolder {
 public:
  TInputFolder() {
    const std::string base = std::filesystem::exists("/dev/shm")
                                 ? std::string("/dev/shm")
                                 : std::filesystem::temp_directory_path().string();
    std::string tmpl = base + "/orvane-fuzz-tags-XXXXXX";
    if (mkdtemp(tmpl.data()) == nullptr) std::abort();
    FPath = tmpl;
  }
  ~TInputFolder() {
    std::error_code ec;
    std::filesystem::remove_all(FPath, ec);
  }
  TInputFolder(const TInputFolder&) = delete;
  TInputFolder& operator=(const TInputFolder&) = delete;

  // Writes the input to <folder>/input<suffix> and returns the path.
  std::string Write(const uint8_t* data, size_t size, const std::string& suffix = "") const {
    const std::string path = FPath + "/input" + suffix;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return path;
  }

 private:
  std::string FPath;
};

}  // namespace fuzzsupport
