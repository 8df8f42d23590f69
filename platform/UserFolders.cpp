#include "platform/UserFolders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace platform {
namespace {

// An environment value that names an absolute path; relative ones are to be ignored.
std::string AbsoluteEnv(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || value[0] != '/') return "";
  return value;
}

std::string WithTrailingSlash(std::string path) {
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

bool IsFolderWritable(const std::string& folder) {
  if (folder.empty()) return false;
  return ::access(folder.c_str(), W_OK | X_OK) == 0 && IsFolder(folder);
}

std::string UserConfigFolder() {
  const std::string config = AbsoluteEnv("XDG_CONFIG_HOME");
  if (!config.empty()) return WithTrailingSlash(config);
  const std::string home = AbsoluteEnv("HOME");
  if (!home.empty()) return WithTrailingSlash(home) + ".config/";
  return "";
}

std::string UserCacheFolder() {
  const std::string cache = AbsoluteEnv("XDG_CACHE_HOME");
  if (!cache.empty()) return WithTrailingSlash(cache);
  const std::string home = AbsoluteEnv("HOME");
  if (!home.empty()) return WithTrailingSlash(home) + ".cache/";
  return "";
}

bool ForceFolders(const std::string& folder) {
  if (folder.empty()) return false;
  // Each prefix ending before a delimiter, shortest first; existing ones are left as they are.
  for (size_t slash = folder.find('/', 1); ; slash = folder.find('/', slash + 1)) {
    const std::string prefix = folder.substr(0, slash);
    if (!prefix.empty() && ::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
  }
  return IsFolder(folder);
}

}  // namespace platform
