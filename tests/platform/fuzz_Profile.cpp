// Profile files of any shape: reading never fails, and a write changes the written key only.
// Input: two bytes choosing a key to write and a key to watch, then the file's bytes.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/Profile.h"

namespace {

const char* const kNames[] = {"Main", "MAIN", "Path", "path", "a", "A", "b", "x y", "Play", "k"};
constexpr unsigned kNameCount = sizeof kNames / sizeof kNames[0];

std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

std::string g_scratchDir;

void RemoveScratch() {
  ::unlink((g_scratchDir + "/fuzz.ini").c_str());
  ::rmdir(g_scratchDir.c_str());
}

// Every write is synced: on a memory file system that costs nothing, so /dev/shm where it is.
const std::string& ScratchFile() {
  static const std::string path = [] {
    struct stat st {};
    const bool shm = ::stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) &&
                     ::access("/dev/shm", W_OK) == 0;
    std::string tmpl = std::string(shm ? "/dev/shm" : "/tmp") + "/orvane-fuzz-profile-XXXXXX";
    if (!::mkdtemp(tmpl.data())) std::abort();
    g_scratchDir = tmpl;
    std::atexit(RemoveScratch);
    return tmpl + "/fuzz.ini";
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const std::string file = ScratchFile();
  if (FILE* f = std::fopen(file.c_str(), "wb")) {
    std::fwrite(data + 2, 1, size - 2, f);
    std::fclose(f);
  } else {
    std::abort();
  }
  const std::string section = kNames[data[0] % kNameCount];
  const std::string key = kNames[(data[0] >> 4) % kNameCount];
  const std::string watchSection = kNames[data[1] % kNameCount];
  const std::string watchKey = kNames[(data[1] >> 4) % kNameCount];

  const std::string before = platform::GetPrivateProfileStringA(watchSection, watchKey, "-", file);
  if (before.size() > 2047) std::abort();
  const std::string value = "v = w";
  if (!platform::WritePrivateProfileStringA(section, key, value, file)) return 0;
  if (platform::GetPrivateProfileStringA(section, key, "-", file) != value) std::abort();
  const bool same = Lower(section) == Lower(watchSection) && Lower(key) == Lower(watchKey);
  if (!same && platform::GetPrivateProfileStringA(watchSection, watchKey, "-", file) != before) {
    std::abort();
  }
  return 0;
}
