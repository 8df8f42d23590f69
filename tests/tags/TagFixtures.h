#pragma once
// Fixtures for the tag tests: a private temporary folder per test, files written from bytes,
// a builder for annotated byte layouts, and a runner for the encoders that make real files.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace tagtest {

// A folder made by mkdtemp, removed with everything in it when the test ends.
class TempDir {
 public:
  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "orvane-tags-XXXXXX").string();
    if (mkdtemp(tmpl.data()) != nullptr) FPath = tmpl;
  }
  ~TempDir() {
    std::error_code ec;
    if (!FPath.empty()) std::filesystem::remove_all(FPath, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string Path(std::string_view name) const { return FPath + "/" + std::string(name); }

 private:
  std::string FPath;
};

// Byte layouts built field by field, so a test reads like the format's table.
class Bytes {
 public:
  Bytes& Text(std::string_view s) {
    FData.insert(FData.end(), s.begin(), s.end());
    return *this;
  }
  Bytes& Raw(std::initializer_list<uint8_t> b) {
    FData.insert(FData.end(), b.begin(), b.end());
    return *this;
  }
  Bytes& Zeros(size_t n) { return Fill(n, 0); }
  Bytes& Fill(size_t n, uint8_t b) {
    FData.insert(FData.end(), n, b);
    return *this;
  }
  Bytes& Append(const std::vector<uint8_t>& b) {
    FData.insert(FData.end(), b.begin(), b.end());
    return *this;
  }
  Bytes& Append(const Bytes& b) { return Append(b.FData); }
  Bytes& U32LE(uint32_t v) {
    return Raw({uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
  }
  Bytes& U32BE(uint32_t v) {
    return Raw({uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)});
  }
  Bytes& U24BE(uint32_t v) { return Raw({uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}); }
  // 7 bits per byte, as ID3v2 tag sizes (and version-4 frame sizes) are stored.
  Bytes& SyncSafe(uint32_t v) {
    return Raw({uint8_t(v >> 21 & 0x7F), uint8_t(v >> 14 & 0x7F), uint8_t(v >> 7 & 0x7F),
                uint8_t(v & 0x7F)});
  }
  // UTF-16 little-endian units of an ASCII or BMP text given as UTF-16.
  Bytes& Utf16LE(std::u16string_view s) {
    for (char16_t u : s) Raw({uint8_t(u), uint8_t(u >> 8)});
    return *this;
  }
  Bytes& Utf16BE(std::u16string_view s) {
    for (char16_t u : s) Raw({uint8_t(u >> 8), uint8_t(u)});
    return *this;
  }
  size_t Size() const { return FData.size(); }
  const std::vector<uint8_t>& Data() const { return FData; }

 private:
  std::vector<uint8_t> FData;
};

inline std::string WriteFile(const std::string& path, const std::vector<uint8_t>& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  return path;
}

inline std::string WriteFile(const std::string& path, const Bytes& data) {
  return WriteFile(path, data.Data());
}

// Runs a shell command with a time limit; true when it exited 0.
inline bool Run(const std::string& command, int timeoutSeconds = 60) {
  const std::string line = "timeout " + std::to_string(timeoutSeconds) + " " + command +
                           " >/dev/null 2>&1";
  return std::system(line.c_str()) == 0;
}

// One second of a quiet tone as 16-bit mono WAV, the input for the encoders.
inline std::string MakeToneWav(const TempDir& dir, const std::string& name = "tone.wav") {
  const std::string path = dir.Path(name);
  Run("ffmpeg -nostdin -loglevel error -y -f lavfi -i sine=frequency=440:duration=1 -ac 1 '" +
      path + "'");
  return path;
}

}  // namespace tagtest
