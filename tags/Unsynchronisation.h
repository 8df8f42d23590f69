#pragma once
// ID3v2 unsynchronisation undone. Writers that apply it put a 0x00 after every 0xFF of a tag
// (or, in version 4, of a frame) so that old players never take tag bytes for the start of an
// MPEG frame; a reader drops every 0x00 that follows an 0xFF again.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

class TFileReader;

// The bytes with the inserted zeros dropped.
std::vector<uint8_t> Resynchronise(std::span<const uint8_t> bytes);

// The bytes of a file range [startAt, endAt) read with the inserted zeros dropped, for a tag
// unsynchronised as a whole (versions 2 and 3): the sizes inside such a tag count the bytes
// after the undoing, so even the bytes a reader skips have to go through it. The range ends
// the reading; the file's position is this reader's own while it is in use.
class TResyncReader {
 public:
  TResyncReader(TFileReader& file, int64_t startAt, int64_t endAt)
      : FFile(file), FRawAt(startAt), FEndAt(endAt) {}

  bool AtEnd();
  // All count bytes, or false when the range ends first.
  bool Read(uint8_t* dest, size_t count);
  // Passes over count bytes; false when the range ends first.
  bool Skip(uint64_t count);

 private:
  // Undoes the next stored bytes into the buffer; false when nothing is left.
  bool Refill();

  static constexpr size_t kChunkBytes = 4096;
  TFileReader& FFile;
  int64_t FRawAt, FEndAt;  // the next stored byte to undo, the end of the range
  bool FAfterFF = false;   // the last stored byte undone was 0xFF
  std::array<uint8_t, kChunkBytes> FBuffer{};
  size_t FBufferAt = 0, FBufferBytes = 0;  // undone bytes not yet handed out
};
