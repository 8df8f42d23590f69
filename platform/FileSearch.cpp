#include "platform/FileSearch.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QChar>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "platform/CodePage.h"

namespace platform {
namespace {

// One character of each text at n and m: a single byte ignoring ASCII case, a multi-byte character
// exactly (its trail bytes are not letters, whatever their value).
bool SameChar(std::string_view name, size_t n, std::string_view mask, size_t m) {
  const size_t len = CharLength(name, n);
  if (len != CharLength(mask, m)) return false;
  if (len == 1) return AnsiUpperByte(name[n]) == AnsiUpperByte(mask[m]);
  return name.substr(n, len) == mask.substr(m, len);
}

// "*" and "?" over whole characters of the code page, other characters compared ignoring ASCII
// case. A "*" that fails to match is retried one character further (classic backtracking to the
// last star only, which is enough for "*" and keeps the work at name length × mask length).
bool MatchMask(std::string_view name, std::string_view mask) {
  size_t n = 0, m = 0;
  size_t starMask = std::string_view::npos, starName = 0;
  while (n < name.size()) {
    if (m < mask.size() && mask[m] == '*') {
      starMask = ++m;
      starName = n;
    } else if (m < mask.size() && mask[m] == '?') {
      n = CharNext(name, n);
      m = CharNext(mask, m);
    } else if (m < mask.size() && SameChar(name, n, mask, m)) {
      const size_t len = CharLength(name, n);
      n += len;
      m += len;
    } else if (starMask != std::string_view::npos) {
      starName = CharNext(name, starName);
      n = starName;
      m = starMask;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}

// The DOS rule that file dialogs and the shell still keep: "*.*" and "name.*" also match names
// without any dot.
bool MatchesSearchMask(std::string_view name, std::string_view mask) {
  if (MatchMask(name, mask)) return true;
  if (mask.size() >= 2 && mask.substr(mask.size() - 2) == ".*" &&
      name.find('.') == std::string_view::npos) {
    return MatchMask(name, mask.substr(0, mask.size() - 2));
  }
  return false;
}

bool HasParent(const std::string& folder) {
  char* real = ::realpath(folder.c_str(), nullptr);
  if (!real) return false;
  const bool isRoot = std::string_view(real) == "/";
  std::free(real);
  return !isRoot;
}

TSearchRec MakeRec(int dirFd, const char* name) {
  TSearchRec rec;
  rec.Name = name;
  rec.Hidden = name[0] == '.';
  struct stat st {};
  // Links are followed, so that a link to a folder is walked like a folder; a dangling link is
  // listed as an empty file.
  if (::fstatat(dirFd, name, &st, 0) == 0 ||
      ::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
    rec.Directory = S_ISDIR(st.st_mode);
    if (!rec.Directory) rec.Size = static_cast<int64_t>(st.st_size);
  }
  return rec;
}

// The order in which the library's original file system lists a folder: names compared as
// upper-cased UTF-16, unit by unit, the way its case-insensitive name index sorts them. Names
// that are equal so (differing in case only, which that file system could not hold) are ordered
// by their bytes, so the order is total and the same on every run.
std::u16string OrderKey(std::string_view name) {
  std::u16string key = AnsiToWide(name);
  for (char16_t& unit : key) {
    if (!QChar::isSurrogate(unit)) unit = static_cast<char16_t>(QChar::toUpper(char32_t(unit)));
  }
  return key;
}

void SortLikeTheLibraryDisk(std::vector<TSearchRec>& recs) {
  std::vector<std::pair<std::u16string, TSearchRec>> keyed;
  keyed.reserve(recs.size());
  for (TSearchRec& rec : recs) keyed.emplace_back(OrderKey(rec.Name), std::move(rec));
  std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
    if (a.first != b.first) return a.first < b.first;
    return a.second.Name < b.second.Name;
  });
  recs.clear();
  for (auto& entry : keyed) recs.push_back(std::move(entry.second));
}

struct TDirCloser {
  void operator()(DIR* d) const { ::closedir(d); }
};

}  // namespace

std::vector<TSearchRec> FindFiles(const std::string& pathAndMask) {
  std::vector<TSearchRec> result;
  const size_t slash = pathAndMask.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : pathAndMask.substr(0, slash + 1);
  const std::string mask = slash == std::string::npos ? pathAndMask : pathAndMask.substr(slash + 1);
  if (mask.empty()) return result;

  std::unique_ptr<DIR, TDirCloser> dir(::opendir(folder.c_str()));
  if (!dir) return result;
  const int dirFd = ::dirfd(dir.get());

  // The parent entry comes first, where the folder pane and the keyboard expect it.
  if (MatchesSearchMask(".", mask)) result.push_back({".", true, false, 0});
  if (HasParent(folder) && MatchesSearchMask("..", mask)) result.push_back({"..", true, false, 0});
  std::vector<TSearchRec> named;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string_view name(entry->d_name);
    if (name == "." || name == "..") continue;
    if (!MatchesSearchMask(name, mask)) continue;
    named.push_back(MakeRec(dirFd, entry->d_name));
  }
  // readdir's order is the hash order of the folder's index here: a pane or play list in it
  // would come out shuffled.
  SortLikeTheLibraryDisk(named);
  for (TSearchRec& rec : named) result.push_back(std::move(rec));
  return result;
}

std::vector<std::string> ListNames(const std::string& folder) {
  std::vector<std::string> names;
  std::unique_ptr<DIR, TDirCloser> dir(::opendir(folder.empty() ? "." : folder.c_str()));
  if (!dir) return names;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string_view name(entry->d_name);
    if (name != "." && name != "..") names.emplace_back(name);
  }
  return names;
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool RegularFileExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace platform
