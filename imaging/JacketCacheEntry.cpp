#include "imaging/JacketCacheEntry.h"

#include "imaging/JacketLoader.h"

#include <array>
#include <cstring>

namespace {

// Layout, all numbers little-endian:
//   0 "ORVJACKT"   8 version   12 width   16 height   20 bytes per pixel (3 or 4)   (u32 each)
//  24 file size   32 modification time (ns)   40 inode   (u64 each)
//  48 path length (u32)   52 zero (u32)   56 checksum of path and pixels (u64)
//  64 path bytes, then the pixels row by row, each blue, green, red and, with 4 bytes, the fourth.
// A jacket whose fourth bytes are all 0xFF (every decoded JPEG) is kept in 3 bytes a pixel.
constexpr std::array<char, 8> Magic = {'O', 'R', 'V', 'J', 'A', 'C', 'K', 'T'};
constexpr size_t HeaderBytes = 64;
constexpr size_t PixelCount = size_t{JacketSize} * JacketSize;

// 64-bit FNV-1a: catches a torn or altered entry; nothing here defends against a forger, who
// could as well write a picture into the album folder.
uint64_t Fnv1a(const char* Data, size_t Size, uint64_t Hash = 14695981039346656037ull) {
  for (size_t i = 0; i < Size; ++i) {
    Hash ^= static_cast<unsigned char>(Data[i]);
    Hash *= 1099511628211ull;
  }
  return Hash;
}

void PutU32(std::string& Out, size_t At, uint32_t Value) {
  for (int i = 0; i < 4; ++i) Out[At + i] = static_cast<char>(Value >> (8 * i));
}

void PutU64(std::string& Out, size_t At, uint64_t Value) {
  for (int i = 0; i < 8; ++i) Out[At + i] = static_cast<char>(Value >> (8 * i));
}

// Callers have checked that At + 4 (or 8) bytes lie inside Data.
uint32_t GetU32(const uint8_t* Data, size_t At) {
  uint32_t Value = 0;
  for (int i = 3; i >= 0; --i) Value = (Value << 8) | Data[At + i];
  return Value;
}

uint64_t GetU64(const uint8_t* Data, size_t At) {
  uint64_t Value = 0;
  for (int i = 7; i >= 0; --i) Value = (Value << 8) | Data[At + i];
  return Value;
}

// Jacket is JacketSize x JacketSize.
bool IsOpaque(const TABitmap& Jacket) {
  for (int y = 0; y < JacketSize; ++y) {
    const uint32_t* Row = Jacket.ScanLine(y);
    for (int x = 0; x < JacketSize; ++x)
      if ((Row[x] >> 24) != 0xFF) return false;
  }
  return true;
}

void PutPixels(std::string& Out, size_t At, const TABitmap& Jacket, size_t PixelBytes) {
  for (int y = 0; y < JacketSize; ++y) {
    const uint32_t* Row = Jacket.ScanLine(y);
    for (int x = 0; x < JacketSize; ++x, At += PixelBytes)
      for (size_t i = 0; i < PixelBytes; ++i) Out[At + i] = static_cast<char>(Row[x] >> (8 * i));
  }
}

void GetPixels(const uint8_t* Data, size_t PixelBytes, TABitmap& Jacket) {
  for (int y = 0; y < JacketSize; ++y) {
    uint32_t* Row = Jacket.ScanLine(y);
    for (int x = 0; x < JacketSize; ++x, Data += PixelBytes) {
      uint32_t Pixel = PixelBytes == 3 ? 0xFF000000u : 0;
      for (size_t i = 0; i < PixelBytes; ++i) Pixel |= uint32_t{Data[i]} << (8 * i);
      Row[x] = Pixel;
    }
  }
}

}  // namespace

size_t MaxJacketEntryBytes() { return HeaderBytes + MaxJacketEntryPath + PixelCount * 4; }

std::string JacketEntryName(const TJacketKey& Key) {
  std::string Id(28, '\0');
  PutU32(Id, 0, JacketEntryVersion);
  PutU64(Id, 4, Key.Size);
  PutU64(Id, 12, static_cast<uint64_t>(Key.ModifiedNs));
  PutU64(Id, 20, Key.Inode);
  const uint64_t Hash = Fnv1a(Key.Path.data(), Key.Path.size(), Fnv1a(Id.data(), Id.size()));
  static constexpr char Hex[] = "0123456789abcdef";
  std::string Name(16, '0');
  for (int i = 0; i < 16; ++i) Name[15 - i] = Hex[(Hash >> (4 * i)) & 15];
  return Name + ".jkt";
}

std::string EncodeJacketEntry(const TJacketKey& Key, const TABitmap& Jacket) {
  if (Jacket.Width() != JacketSize || Jacket.Height() != JacketSize) return "";
  if (Key.Path.size() > MaxJacketEntryPath) return "";
  const size_t PixelBytes = IsOpaque(Jacket) ? 3 : 4;
  std::string Out(HeaderBytes + Key.Path.size() + PixelCount * PixelBytes, '\0');
  std::memcpy(Out.data(), Magic.data(), Magic.size());
  PutU32(Out, 8, JacketEntryVersion);
  PutU32(Out, 12, JacketSize);
  PutU32(Out, 16, JacketSize);
  PutU32(Out, 20, static_cast<uint32_t>(PixelBytes));
  PutU64(Out, 24, Key.Size);
  PutU64(Out, 32, static_cast<uint64_t>(Key.ModifiedNs));
  PutU64(Out, 40, Key.Inode);
  PutU32(Out, 48, static_cast<uint32_t>(Key.Path.size()));
  std::memcpy(Out.data() + HeaderBytes, Key.Path.data(), Key.Path.size());
  PutPixels(Out, HeaderBytes + Key.Path.size(), Jacket, PixelBytes);
  PutU64(Out, 56, Fnv1a(Out.data() + HeaderBytes, Out.size() - HeaderBytes));
  return Out;
}

bool DecodeJacketEntry(const uint8_t* Data, size_t Size, TJacketKey& Key, TABitmap& Jacket) {
  if (Size < HeaderBytes || std::memcmp(Data, Magic.data(), Magic.size()) != 0) return false;
  if (GetU32(Data, 8) != JacketEntryVersion || GetU32(Data, 12) != JacketSize ||
      GetU32(Data, 16) != JacketSize || GetU32(Data, 52) != 0)
    return false;
  const size_t PixelBytes = GetU32(Data, 20);
  const size_t PathBytes = GetU32(Data, 48);
  if ((PixelBytes != 3 && PixelBytes != 4) || PathBytes > MaxJacketEntryPath) return false;
  if (Size != HeaderBytes + PathBytes + PixelCount * PixelBytes) return false;
  const char* Body = reinterpret_cast<const char*>(Data) + HeaderBytes;
  if (Fnv1a(Body, Size - HeaderBytes) != GetU64(Data, 56)) return false;
  TABitmap Pixels;
  Pixels.SetSize(JacketSize, JacketSize);
  GetPixels(Data + HeaderBytes + PathBytes, PixelBytes, Pixels);
  Key.Path.assign(Body, PathBytes);
  Key.Size = GetU64(Data, 24);
  Key.ModifiedNs = static_cast<int64_t>(GetU64(Data, 32));
  Key.Inode = GetU64(Data, 40);
  Jacket = std::move(Pixels);
  return true;
}
