#include "platform/NamedMutex.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

namespace platform {
namespace {

// A named mutex is an open-file-description write lock (F_OFD_SETLK) on a lock file of that name
// in a folder private to the user. The kernel drops the lock when the last descriptor of the
// holder closes, so a process that dies, even by SIGKILL, leaves no stale mutex behind. Unlike
// flock(), the lock can be tested (F_OFD_GETLK) without being taken, so a probe never makes a
// starting instance believe the name is held. The holder removes the file when it closes its
// handle (a killed holder leaves it for the next one to reuse); a lock taken on a file that has
// meanwhile been removed is dropped and taken again on the file that now has the name.
struct TMutexObject {
  int Fd = -1;         // the lock file (locked or not); -1 for an unnamed mutex
  std::string Path;    // the lock file's name, for the holder to remove when it closes
  bool Holder = false; // this handle holds the lock
  bool Owned = false;  // taken with initialOwner; ReleaseMutex gives it up
};

std::mutex g_tableMutex;
std::map<HANDLE, TMutexObject> g_handles;
HANDLE g_nextHandle = 0x100;
thread_local uint32_t g_lastError = 0;

HANDLE AddHandle(const TMutexObject& object) {
  std::lock_guard<std::mutex> lock(g_tableMutex);
  const HANDLE h = g_nextHandle++;
  g_handles.emplace(h, object);
  return h;
}

bool IsPrivateFolder(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
         (st.st_mode & 022) == 0;
}

// Where the lock files live: the user's runtime folder (not aged by tmp cleaners), or a private
// folder under /tmp where there is none. Empty when no safe folder can be had.
std::string LockFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && runtime[0] == '/' && IsPrivateFolder(runtime)) {
    return std::string(runtime) + "/orvane-mutex";
  }
  const std::string userRuntime = "/run/user/" + std::to_string(::getuid());
  if (IsPrivateFolder(userRuntime)) return userRuntime + "/orvane-mutex";
  return "/tmp/orvane-mutex-" + std::to_string(::getuid());
}

bool EnsurePrivateFolder(const std::string& path) {
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
  // Someone else's folder (or a link planted in /tmp) is not trusted with our names.
  return IsPrivateFolder(path);
}

// The mutex name as a file name: bytes outside [A-Za-z0-9._-] are escaped, so that names that
// differ give files that differ; an overlong name is shortened and made unique by its hash.
std::string LockFileName(std::string_view name) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out = "m_";
  for (unsigned char c : name) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
        c == '_' || c == '-') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  if (out.size() > 160) {
    uint64_t hash = 1469598103934665603ull;  // FNV-1a
    for (unsigned char c : name) hash = (hash ^ c) * 1099511628211ull;
    std::string tail;
    for (int i = 0; i < 16; ++i) tail += hex[(hash >> (i * 4)) & 15];
    out = out.substr(0, 140) + "~" + tail;
  }
  return out + ".lock";
}

// Opens (and with create, makes) the lock file of name; -1 on failure.
int OpenLockFile(const char* name, bool create, std::string& path) {
  const std::string folder = LockFolder();
  if (create ? !EnsurePrivateFolder(folder) : !IsPrivateFolder(folder)) return -1;
  path = folder + "/" + LockFileName(name);
  // O_CLOEXEC: a program the player starts must not inherit the lock and keep it after we exit.
  const int flags = O_RDWR | O_CLOEXEC | O_NOFOLLOW | (create ? O_CREAT : 0);
  return ::open(path.c_str(), flags, 0600);
}

// True when path still names the file open at fd (its holder may have removed it meanwhile).
bool StillNamed(int fd, const std::string& path) {
  struct stat open {}, named {};
  return ::fstat(fd, &open) == 0 && ::lstat(path.c_str(), &named) == 0 &&
         open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

struct flock WholeFile(short type) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = 0;
  lock.l_len = 0;  // to the end of the file, however long
  return lock;
}

enum class TLockResult { Taken, HeldElsewhere, Failed };

TLockResult TryLock(int fd) {
  struct flock lock = WholeFile(F_WRLCK);
  while (::fcntl(fd, F_OFD_SETLK, &lock) != 0) {
    if (errno == EINTR) continue;
    return (errno == EAGAIN || errno == EACCES) ? TLockResult::HeldElsewhere : TLockResult::Failed;
  }
  return TLockResult::Taken;
}

bool IsLocked(int fd) {
  struct flock lock = WholeFile(F_WRLCK);
  if (::fcntl(fd, F_OFD_GETLK, &lock) != 0) return false;
  return lock.l_type != F_UNLCK;
}

}  // namespace

uint32_t GetLastError() { return g_lastError; }

HANDLE OpenMutexA(uint32_t /*desiredAccess*/, bool /*inheritHandle*/, const char* name) {
  g_lastError = ERROR_FILE_NOT_FOUND;
  if (!name || !*name) return 0;
  std::string path;
  const int fd = OpenLockFile(name, false, path);
  if (fd < 0) return 0;
  if (!IsLocked(fd)) {
    ::close(fd);
    return 0;
  }
  g_lastError = 0;
  return AddHandle({fd, path, false, false});
}

HANDLE CreateMutexA(const void* /*securityAttributes*/, bool initialOwner, const char* name) {
  g_lastError = 0;
  if (!name || !*name) return AddHandle({-1, "", true, initialOwner});
  // A few rounds: each lost one means a holder removed the file between our open and our lock.
  for (int attempt = 0; attempt < 8; ++attempt) {
    std::string path;
    const int fd = OpenLockFile(name, true, path);
    if (fd < 0) break;
    switch (TryLock(fd)) {
      case TLockResult::Taken:
        if (StillNamed(fd, path)) return AddHandle({fd, path, true, initialOwner});
        ::close(fd);
        continue;
      case TLockResult::Failed:
        // No locking here (an odd file system): better no mutex than a false "already running".
        ::close(fd);
        g_lastError = ERROR_ACCESS_DENIED;
        return 0;
      case TLockResult::HeldElsewhere:
        // Another process holds the name: as on Windows, the caller gets the existing mutex
        // (without ownership) and learns it from GetLastError.
        g_lastError = ERROR_ALREADY_EXISTS;
        return AddHandle({fd, path, false, false});
    }
  }
  g_lastError = ERROR_ACCESS_DENIED;
  return 0;
}

bool ReleaseMutex(HANDLE mutex) {
  std::lock_guard<std::mutex> lock(g_tableMutex);
  const auto it = g_handles.find(mutex);
  if (it == g_handles.end() || !it->second.Owned) return false;
  // Ownership ends; the name stays alive until the handle is closed.
  it->second.Owned = false;
  return true;
}

bool CloseHandle(HANDLE handle) {
  std::lock_guard<std::mutex> lock(g_tableMutex);
  const auto it = g_handles.find(handle);
  if (it == g_handles.end()) return false;
  // The holder removes the name while it still holds the lock, so that nobody can take the lock
  // on a file that is about to lose its name without noticing (StillNamed).
  if (it->second.Holder && it->second.Fd >= 0) ::unlink(it->second.Path.c_str());
  if (it->second.Fd >= 0) ::close(it->second.Fd);
  g_handles.erase(it);
  return true;
}

}  // namespace platform
