#include "imaging/FileBytes.h"

#include "imaging/ABitmap.h"

#include "platform/ReadOnlyFile.h"

#include <algorithm>
#include <cstdint>

std::string ReadStreamBytes(std::istream& Stream, size_t MaxBytes, const std::string& Source) {
  std::string Bytes;
  char Chunk[64 * 1024];
  // Read to the end instead of trusting a size queried first: the file may change under us.
  while (Stream.read(Chunk, sizeof Chunk) || Stream.gcount() > 0) {
    const auto Got = static_cast<size_t>(Stream.gcount());
    if (Got > MaxBytes - Bytes.size())
      throw EInvalidGraphic("File is too large for a picture: \"" + Source + "\"");
    Bytes.append(Chunk, Got);
  }
  if (Stream.bad()) throw EInvalidGraphic("Cannot read file \"" + Source + "\"");
  return Bytes;
}

std::string ReadFileBytes(const std::string& FileName, size_t MaxBytes) {
  // Opened as the tag readers open files: without blocking, regular files only, so a FIFO that
  // took a picture's name fails here instead of waiting for a writer for ever.
  const platform::TReadOnlyFile File(FileName);
  if (!File.IsOpen()) throw EInvalidGraphic("Cannot open file \"" + FileName + "\"");
  std::string Bytes;
  Bytes.reserve(static_cast<size_t>(std::min<uint64_t>(File.Size(), MaxBytes)));
  char Chunk[64 * 1024];
  // Read to the end instead of trusting the size seen at the open: the file may change under us.
  for (;;) {
    const size_t Got = File.ReadAt(static_cast<int64_t>(Bytes.size()), Chunk, sizeof Chunk);
    if (Got == 0) break;
    if (Got > MaxBytes - Bytes.size())
      throw EInvalidGraphic("File is too large for a picture: \"" + FileName + "\"");
    Bytes.append(Chunk, Got);
  }
  return Bytes;
}
