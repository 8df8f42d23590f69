#include "imaging/FileBytes.h"

#include "imaging/ABitmap.h"

#include <fstream>

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
  std::ifstream File(FileName, std::ios::binary);
  if (!File) throw EInvalidGraphic("Cannot open file \"" + FileName + "\"");
  return ReadStreamBytes(File, MaxBytes, FileName);
}
