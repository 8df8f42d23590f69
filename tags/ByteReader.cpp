#include "tags/ByteReader.h"

#include <filesystem>
#include <system_error>

TReadOnlyFile::TReadOnlyFile(const std::string& fileName) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(fileName, ec) || ec) return;
  FFile = std::fopen(fileName.c_str(), "rb");
  if (FFile == nullptr) return;
  if (std::fseek(FFile, 0, SEEK_END) != 0) {
    std::fclose(FFile);
    FFile = nullptr;
    return;
  }
  const long end = std::ftell(FFile);
  if (end < 0 || std::fseek(FFile, 0, SEEK_SET) != 0) {
    std::fclose(FFile);
    FFile = nullptr;
    return;
  }
  FSizeBytes = end;
}

TReadOnlyFile::~TReadOnlyFile() {
  if (FFile != nullptr) std::fclose(FFile);
}

bool TReadOnlyFile::Seek(int64_t offset) {
  if (FFile == nullptr || offset < 0) return false;
  if (std::fseek(FFile, static_cast<long>(offset), SEEK_SET) != 0) return false;
  FPosition = offset;
  return true;
}

size_t TReadOnlyFile::Read(void* dest, size_t count) {
  if (FFile == nullptr || count == 0) return 0;
  const size_t got = std::fread(dest, 1, count, FFile);
  FPosition += static_cast<int64_t>(got);
  return got;
}

bool TReadOnlyFile::ReadExact(void* dest, size_t count) { return Read(dest, count) == count; }

std::vector<uint8_t> TReadOnlyFile::ReadUpTo(size_t count) {
  // The file's own size caps the allocation, whatever count a header declared.
  const int64_t left = FSizeBytes > FPosition ? FSizeBytes - FPosition : 0;
  if (static_cast<uint64_t>(left) < count) count = static_cast<size_t>(left);
  std::vector<uint8_t> out(count);
  out.resize(Read(out.data(), count));
  return out;
}

uint8_t TByteReader::At(size_t pos, size_t k) const {
  // pos + k is never formed before both are known to lie inside the span.
  return (pos < FBytes.size() && k < FBytes.size() - pos) ? FBytes[pos + k] : 0;
}

uint16_t TByteReader::U16LE(size_t pos) const {
  return static_cast<uint16_t>(At(pos, 0) | At(pos, 1) << 8);
}

uint16_t TByteReader::U16BE(size_t pos) const {
  return static_cast<uint16_t>(At(pos, 0) << 8 | At(pos, 1));
}

uint32_t TByteReader::U24BE(size_t pos) const {
  return static_cast<uint32_t>(At(pos, 0)) << 16 | static_cast<uint32_t>(At(pos, 1)) << 8 |
         At(pos, 2);
}

uint32_t TByteReader::U32LE(size_t pos) const {
  return static_cast<uint32_t>(U16LE(pos)) |
         (pos < FBytes.size() ? static_cast<uint32_t>(U16LE(pos + 2)) << 16 : 0);
}

uint32_t TByteReader::U32BE(size_t pos) const {
  return static_cast<uint32_t>(U16BE(pos)) << 16 | (pos < FBytes.size() ? U16BE(pos + 2) : 0);
}

uint64_t TByteReader::U64LE(size_t pos) const {
  return static_cast<uint64_t>(U32LE(pos)) |
         (pos < FBytes.size() ? static_cast<uint64_t>(U32LE(pos + 4)) << 32 : 0);
}

bool TByteReader::Matches(size_t pos, std::string_view literal) const {
  if (!Has(pos, literal.size())) return false;
  for (size_t i = 0; i < literal.size(); ++i) {
    if (FBytes[pos + i] != static_cast<uint8_t>(literal[i])) return false;
  }
  return true;
}

std::span<const uint8_t> TByteReader::Bytes(size_t pos, size_t len) const {
  if (pos >= FBytes.size()) return {};
  if (len > FBytes.size() - pos) len = FBytes.size() - pos;
  return FBytes.subspan(pos, len);
}

std::string TByteReader::Text(size_t pos, size_t len) const {
  const std::span<const uint8_t> b = Bytes(pos, len);
  return std::string(reinterpret_cast<const char*>(b.data()), b.size());
}
