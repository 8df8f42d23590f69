#pragma once
// What every reader reads through: a read-only file that closes itself, and a bounds-checked
// cursor over bytes already read. Reads past the end give zeros or a short count, never
// undefined behaviour, so a reader's checks are about meaning, not memory safety.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ReadOnlyFile.h"

// A file opened read-only for the span of one operation; closed by the destructor on every
// path. Only regular files are opened: a FIFO would block the caller and a device or a
// directory has no meaningful size, so those count as "cannot be opened".
//
// Small reads are served from two windows of the file's bytes, each filled by one positioned
// read: the readers look at a file in many small pieces (frame headers, item keys) that lie in
// few places, most often its head and its tail, and every system call costs more than the copy.
// A window that would reach past the end of the file is moved back to end there, so the first
// read near the end brings in the whole tail (an ID3v1 tag, an APE footer, an encoder block).
class TFileReader {
 public:
  explicit TFileReader(const std::string& fileName) : FFile(fileName) {}
  TFileReader(const TFileReader&) = delete;
  TFileReader& operator=(const TFileReader&) = delete;

  bool IsOpen() const { return FFile.IsOpen(); }
  int64_t Size() const { return FFile.Size(); }
  int64_t Position() const { return FPosition; }
  bool AtEnd() const { return FPosition >= Size(); }

  // Absolute seek. Before the start fails; past the end is allowed (reads there give 0 bytes).
  bool Seek(int64_t offset);
  // Reads up to count bytes into dest; returns how many were read (short at the end).
  size_t Read(void* dest, size_t count);
  // True only when all count bytes were read.
  bool ReadExact(void* dest, size_t count);
  // Up to count bytes from the current position.
  std::vector<uint8_t> ReadUpTo(size_t count);

  // Reads of this many bytes or more go to the file directly.
  static constexpr size_t kWindowBytes = 8192;

 private:
  struct TWindow {
    int64_t Start = 0;
    size_t Bytes = 0;  // 0: empty
    std::array<uint8_t, kWindowBytes> Data;  // only the first Bytes are meaningful
  };
  // The window holding [FPosition, FPosition + count), filled when neither does; nullptr when
  // the file gives nothing at FPosition.
  const TWindow* WindowFor(size_t count);

  platform::TReadOnlyFile FFile;
  int64_t FPosition = 0;
  std::array<TWindow, 2> FWindows;
  size_t FRecent = 0;  // the window used last; a refill replaces the other one
};

// Random-access and sequential reading of a byte span. Every accessor is bounds-checked:
// bytes outside the span read as zero.
class TByteReader {
 public:
  TByteReader() = default;
  explicit TByteReader(std::span<const uint8_t> bytes) : FBytes(bytes) {}
  TByteReader(const uint8_t* data, size_t sizeBytes) : FBytes(data, sizeBytes) {}

  size_t Size() const { return FBytes.size(); }
  // True when [pos, pos + len) lies inside the span (written so that it cannot wrap).
  bool Has(size_t pos, size_t len) const {
    return pos <= FBytes.size() && len <= FBytes.size() - pos;
  }

  uint8_t U8(size_t pos) const { return pos < FBytes.size() ? FBytes[pos] : 0; }
  uint16_t U16LE(size_t pos) const;
  uint16_t U16BE(size_t pos) const;
  uint32_t U24BE(size_t pos) const;
  uint32_t U32LE(size_t pos) const;
  uint32_t U32BE(size_t pos) const;
  uint64_t U64LE(size_t pos) const;
  // True when the bytes at pos are exactly `literal` (and lie inside the span).
  bool Matches(size_t pos, std::string_view literal) const;
  // The bytes [pos, pos + len) clipped to the span.
  std::span<const uint8_t> Bytes(size_t pos, size_t len) const;
  std::string Text(size_t pos, size_t len) const;

  // Sequential reading from a cursor that never passes the end.
  size_t Pos() const { return FPos; }
  size_t Remaining() const { return FBytes.size() - FPos; }
  void Seek(size_t pos) { FPos = pos < FBytes.size() ? pos : FBytes.size(); }
  void Skip(size_t len) { FPos += len < Remaining() ? len : Remaining(); }
  uint8_t ReadU8() { return Advance(U8(FPos), 1); }
  uint16_t ReadU16LE() { return Advance(U16LE(FPos), 2); }
  uint32_t ReadU32LE() { return Advance(U32LE(FPos), 4); }
  uint32_t ReadU32BE() { return Advance(U32BE(FPos), 4); }
  uint64_t ReadU64LE() { return Advance(U64LE(FPos), 8); }

 private:
  uint8_t At(size_t pos, size_t k) const;
  template <class T>
  T Advance(T value, size_t len) {
    Skip(len);
    return value;
  }

  std::span<const uint8_t> FBytes;
  size_t FPos = 0;
};
