#include "tags/ByteReader.h"

#include <cstring>

bool TFileReader::Seek(int64_t offset) {
  if (!IsOpen() || offset < 0) return false;
  FPosition = offset;
  return true;
}

const TFileReader::TWindow* TFileReader::WindowFor(size_t count) {
  for (size_t i = 0; i < FWindows.size(); ++i) {
    const TWindow& w = FWindows[i];
    if (FPosition >= w.Start && static_cast<uint64_t>(FPosition - w.Start) < w.Bytes &&
        count <= w.Bytes - static_cast<size_t>(FPosition - w.Start)) {
      FRecent = i;
      return &w;
    }
  }
  const int64_t size = Size();
  if (FPosition >= size) return nullptr;
  FRecent = 1 - FRecent;
  TWindow& w = FWindows[FRecent];
  const int64_t lastStart = size > static_cast<int64_t>(kWindowBytes) ? size - kWindowBytes : 0;
  w.Start = FPosition < lastStart ? FPosition : lastStart;
  w.Bytes = FFile.ReadAt(w.Start, w.Data.data(), w.Data.size());
  // A file that shrank since it was opened may not reach FPosition any more.
  if (static_cast<uint64_t>(FPosition - w.Start) >= w.Bytes) return nullptr;
  return &w;
}

size_t TFileReader::Read(void* dest, size_t count) {
  if (!IsOpen() || count == 0) return 0;
  size_t got = 0;
  if (count >= kWindowBytes) {
    got = FFile.ReadAt(FPosition, dest, count);
  } else if (const TWindow* w = WindowFor(count)) {
    const size_t at = static_cast<size_t>(FPosition - w->Start);
    got = count < w->Bytes - at ? count : w->Bytes - at;
    std::memcpy(dest, w->Data.data() + at, got);
  }
  FPosition += static_cast<int64_t>(got);
  return got;
}

bool TFileReader::ReadExact(void* dest, size_t count) { return Read(dest, count) == count; }

std::vector<uint8_t> TFileReader::ReadUpTo(size_t count) {
  // The file's own size caps the allocation, whatever count a header declared.
  const int64_t left = Size() > FPosition ? Size() - FPosition : 0;
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
