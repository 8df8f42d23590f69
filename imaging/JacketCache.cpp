#include "imaging/JacketCache.h"

#include "platform/UserFolders.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <string_view>
#include <utility>
#include <vector>

namespace {

constexpr std::string_view EntrySuffix = ".jkt";
constexpr std::string_view TemporarySuffix = ".tmp";
// An entry read again after this long gets a new modification time, so that the cap removes the
// jackets of libraries no longer opened first; once a day at most keeps hits free of writes.
constexpr time_t UseMarkAge = 24 * 60 * 60;
// A temporary file this old belongs to no write still running.
constexpr time_t LitterAge = 60 * 60;

bool EndsWith(std::string_view Text, std::string_view Suffix) {
  return Text.size() >= Suffix.size() && Text.substr(Text.size() - Suffix.size()) == Suffix;
}

int64_t Nanoseconds(const struct timespec& Time) {
  return int64_t{Time.tv_sec} * 1000000000 + Time.tv_nsec;
}

// Closes the descriptor however the read ends.
class TFd {
 public:
  explicit TFd(int Fd) : FFd(Fd) {}
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  ~TFd() {
    if (FFd >= 0) ::close(FFd);
  }
  int Get() const { return FFd; }
  bool Close() { return ::close(std::exchange(FFd, -1)) == 0; }

 private:
  int FFd;
};

// Exactly Size bytes of Fd, or false.
bool ReadAll(int Fd, char* Data, size_t Size) {
  while (Size > 0) {
    const ssize_t Got = ::read(Fd, Data, Size);
    if (Got < 0 && errno == EINTR) continue;
    if (Got <= 0) return false;
    Data += Got;
    Size -= static_cast<size_t>(Got);
  }
  return true;
}

bool WriteAll(int Fd, const char* Data, size_t Size) {
  while (Size > 0) {
    const ssize_t Put = ::write(Fd, Data, Size);
    if (Put < 0 && errno == EINTR) continue;
    if (Put <= 0) return false;
    Data += Put;
    Size -= static_cast<size_t>(Put);
  }
  return true;
}

struct TEntryFile {
  int64_t ModifiedNs;
  uint64_t Bytes;
  std::string Name;
};

}  // namespace

TJacketCache::TJacketCache(std::string Folder, uint64_t CapBytes)
    : FFolder(std::move(Folder)), FCapBytes(CapBytes) {
  if (!FFolder.empty() && FFolder.back() != '/') FFolder += '/';
}

TJacketCache& TJacketCache::ForUser() {
  static TJacketCache Cache([] {
    const std::string Base = platform::UserCacheFolder();
    return Base.empty() ? std::string() : Base + "orvane/jackets/";
  }());
  return Cache;
}

std::unique_ptr<TABitmap> TJacketCache::Load(const TJacketFile& File) {
  struct stat Info {};
  // The file is looked at before it is read: should it change in between, the entry is kept under
  // the old state's key and never matches the new one.
  if (FFolder.empty() || ::stat(File.Path.c_str(), &Info) != 0) return LoadJacket(File);
  const TJacketKey Key{File.Path, static_cast<uint64_t>(Info.st_size), Nanoseconds(Info.st_mtim),
                       static_cast<uint64_t>(Info.st_ino)};
  const std::string EntryPath = FFolder + JacketEntryName(Key);
  if (std::unique_ptr<TABitmap> Jacket = Find(EntryPath, Key)) return Jacket;
  std::unique_ptr<TABitmap> Jacket = LoadJacket(File);
  Store(EntryPath, Key, *Jacket);
  return Jacket;
}

std::unique_ptr<TABitmap> TJacketCache::Find(const std::string& EntryPath,
                                             const TJacketKey& Key) const {
  // Not blocking and not following links: whatever sits at the name, only a regular file of an
  // entry's size is read.
  TFd Fd(::open(EntryPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
  struct stat Info {};
  if (Fd.Get() < 0 || ::fstat(Fd.Get(), &Info) != 0 || !S_ISREG(Info.st_mode)) return nullptr;
  if (Info.st_size <= 0 || static_cast<uint64_t>(Info.st_size) > MaxJacketEntryBytes())
    return nullptr;
  std::string Bytes(static_cast<size_t>(Info.st_size), '\0');
  if (!ReadAll(Fd.Get(), Bytes.data(), Bytes.size())) return nullptr;
  TJacketKey Stored;
  auto Jacket = std::make_unique<TABitmap>();
  if (!DecodeJacketEntry(reinterpret_cast<const uint8_t*>(Bytes.data()), Bytes.size(), Stored,
                         *Jacket) ||
      !(Stored == Key))
    return nullptr;
  if (::time(nullptr) - Info.st_mtim.tv_sec > UseMarkAge) ::futimens(Fd.Get(), nullptr);
  return Jacket;
}

void TJacketCache::Store(const std::string& EntryPath, const TJacketKey& Key,
                         const TABitmap& Jacket) {
  const std::string Bytes = EncodeJacketEntry(Key, Jacket);
  if (Bytes.empty()) return;
  static std::atomic<unsigned> Counter{0};
  const std::string Temporary = FFolder + "." + EntryPath.substr(FFolder.size()) + "." +
                                std::to_string(::getpid()) + "." + std::to_string(Counter++) +
                                std::string(TemporarySuffix);
  const auto Create = [&] {
    return ::open(Temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
  };
  // The folder is made at the first write, and again should someone clear the cache meanwhile.
  int Raw = Create();
  if (Raw < 0 && errno == ENOENT && platform::ForceFolders(FFolder)) Raw = Create();
  if (Raw < 0) return;
  TFd Fd(Raw);
  // No fsync: an entry that a crash leaves short fails its length or checksum check and is
  // written anew; the user's disk is spared a flush per album.
  const bool Written = WriteAll(Fd.Get(), Bytes.data(), Bytes.size()) && Fd.Close();
  if (!Written || ::rename(Temporary.c_str(), EntryPath.c_str()) != 0) {
    ::unlink(Temporary.c_str());
    return;
  }
  FWritten += Bytes.size();
}

void TJacketCache::Trim() {
  if (FWritten.exchange(0) == 0) return;
  DIR* Dir = ::opendir(FFolder.c_str());
  if (Dir == nullptr) return;
  std::vector<TEntryFile> Entries;
  uint64_t Total = 0;
  const time_t Now = ::time(nullptr);
  while (const dirent* Item = ::readdir(Dir)) {
    const std::string Name = Item->d_name;
    struct stat Info {};
    if (::fstatat(::dirfd(Dir), Name.c_str(), &Info, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(Info.st_mode))
      continue;
    if (Name.front() == '.' && EndsWith(Name, TemporarySuffix)) {
      if (Now - Info.st_mtim.tv_sec > LitterAge) ::unlinkat(::dirfd(Dir), Name.c_str(), 0);
    } else if (EndsWith(Name, EntrySuffix)) {
      Entries.push_back({Nanoseconds(Info.st_mtim), static_cast<uint64_t>(Info.st_size), Name});
      Total += static_cast<uint64_t>(Info.st_size);
    }
  }
  if (Total > FCapBytes) {
    std::sort(Entries.begin(), Entries.end(),
              [](const TEntryFile& a, const TEntryFile& b) { return a.ModifiedNs < b.ModifiedNs; });
    for (const TEntryFile& Entry : Entries) {
      if (Total <= FCapBytes) break;
      if (::unlinkat(::dirfd(Dir), Entry.Name.c_str(), 0) == 0) Total -= Entry.Bytes;
    }
  }
  ::closedir(Dir);
}
