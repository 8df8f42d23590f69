#include "platform/ExePath.h"

#include <unistd.h>

#include <array>

#include "platform/CodePage.h"

namespace platform {

std::string GetExeFolder() {
  // /proc/self/exe names the executable even when it was started through a link or a relative
  // path; readlink does not terminate the text, so its length is taken from the result.
  std::array<char, 4096> buffer{};
  const ssize_t len = readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (len <= 0 || static_cast<size_t>(len) >= buffer.size()) return "";
  const std::string path(buffer.data(), static_cast<size_t>(len));
  const size_t slash = path.rfind(PathDelim);
  if (slash == std::string::npos) return "";
  return path.substr(0, slash + 1);
}

}  // namespace platform
