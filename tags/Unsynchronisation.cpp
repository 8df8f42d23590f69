#include "tags/Unsynchronisation.h"

#include <algorithm>

#include "tags/ByteReader.h"

std::vector<uint8_t> Resynchronise(std::span<const uint8_t> bytes) {
  std::vector<uint8_t> out;
  out.reserve(bytes.size());
  bool afterFF = false;
  for (const uint8_t b : bytes) {
    // FF 00 00 gives FF 00: only the zero right after the 0xFF was inserted.
    if (!(afterFF && b == 0)) out.push_back(b);
    afterFF = b == 0xFF;
  }
  return out;
}

bool TResyncReader::Refill() {
  while (FBufferAt == FBufferBytes) {
    if (FRawAt >= FEndAt) return false;
    std::array<uint8_t, kChunkBytes> raw;
    const size_t want = static_cast<size_t>(std::min<int64_t>(FEndAt - FRawAt, kChunkBytes));
    if (!FFile.Seek(FRawAt)) return false;
    const size_t got = FFile.Read(raw.data(), want);
    if (got == 0) return false;
    FRawAt += static_cast<int64_t>(got);
    FBufferAt = FBufferBytes = 0;
    for (size_t i = 0; i < got; ++i) {
      if (!(FAfterFF && raw[i] == 0)) FBuffer[FBufferBytes++] = raw[i];
      FAfterFF = raw[i] == 0xFF;
    }
  }
  return true;
}

bool TResyncReader::AtEnd() { return !Refill(); }

bool TResyncReader::Read(uint8_t* dest, size_t count) {
  while (count > 0) {
    if (!Refill()) return false;
    const size_t n = std::min(count, FBufferBytes - FBufferAt);
    std::copy_n(FBuffer.begin() + static_cast<ptrdiff_t>(FBufferAt), n, dest);
    FBufferAt += n;
    dest += n;
    count -= n;
  }
  return true;
}

bool TResyncReader::Skip(uint64_t count) {
  while (count > 0) {
    if (!Refill()) return false;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(count, FBufferBytes - FBufferAt));
    FBufferAt += n;
    count -= n;
  }
  return true;
}
