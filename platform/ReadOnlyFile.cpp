#include "platform/ReadOnlyFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>

namespace platform {

TReadOnlyFile::TReadOnlyFile(const std::string& fileName) {
  // O_NONBLOCK: opening a FIFO without a writer would otherwise wait for one before fstat could
  // refuse it. It changes nothing for the reads of a regular file. O_NOCTTY: a terminal device
  // named by mistake must not become the process's controlling terminal.
  const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return;
  struct stat st{};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) {
    ::close(fd);
    return;
  }
  FFd = fd;
  FSizeBytes = st.st_size;
}

TReadOnlyFile::~TReadOnlyFile() {
  if (FFd >= 0) ::close(FFd);
}

size_t TReadOnlyFile::ReadAt(int64_t offset, void* dest, size_t count) const {
  if (FFd < 0 || offset < 0) return 0;
  auto* out = static_cast<unsigned char*>(dest);
  size_t done = 0;
  // A positioned read may return less than asked (a signal, a very large count); the loop ends
  // at the end of the file (0) or at an error other than an interruption.
  while (done < count) {
    // An offset near the largest file position would make offset + done wrap.
    if (done > static_cast<uint64_t>(std::numeric_limits<int64_t>::max() - offset)) break;
    const int64_t at = offset + static_cast<int64_t>(done);
    const ssize_t got = ::pread(FFd, out + done, count - done, static_cast<off_t>(at));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<size_t>(got);
  }
  return done;
}

}  // namespace platform
