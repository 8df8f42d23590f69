#pragma once
// A regular file opened read-only, read at absolute offsets. The tag readers read through it:
// one open, one size query and one positioned read per region, no stream buffering of its own.

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// Closed by the destructor on every path. Only regular files are opened (symbolic links are
// followed): a FIFO would block its reader and a device or a folder has no meaningful size, so
// those count as "cannot be opened"; the check is made on the open descriptor, without blocking.
class TReadOnlyFile {
 public:
  explicit TReadOnlyFile(const std::string& fileName);
  ~TReadOnlyFile();
  TReadOnlyFile(const TReadOnlyFile&) = delete;
  TReadOnlyFile& operator=(const TReadOnlyFile&) = delete;

  bool IsOpen() const { return FFd >= 0; }
  // The size when the file was opened; -1 when it is not open.
  int64_t Size() const { return FSizeBytes; }
  // Up to count bytes at offset into dest; the count read, short only at the end of the file or
  // on a read error. A negative offset reads nothing.
  size_t ReadAt(int64_t offset, void* dest, size_t count) const;

 private:
  int FFd = -1;
  int64_t FSizeBytes = -1;
};

}  // namespace platform
