#pragma once
// One file of the jacket cache: an 80 x 80 jacket together with the identity of the picture file
// it was made from. The bytes may come from anywhere (a full disk, another program, an older
// build), so reading them checks every length and a checksum before a pixel is taken.

#include "imaging/ABitmap.h"

#include <cstddef>
#include <cstdint>
#include <string>

// What tells one state of a jacket file from another: replacing or editing the picture changes
// its size, its modification time or (for a copy renamed over it) its inode.
struct TJacketKey {
  std::string Path;
  uint64_t Size = 0;
  int64_t ModifiedNs = 0;  // nanoseconds since the epoch
  uint64_t Inode = 0;

  bool operator==(const TJacketKey&) const = default;
};

// Raised whenever the layout of an entry or the way a jacket is made changes: entries of another
// version are then passed over (and replaced) instead of being misread.
constexpr uint32_t JacketEntryVersion = 1;

// Longest path an entry carries; a longer one is not cached.
constexpr size_t MaxJacketEntryPath = 4096;

// Upper bound of an entry's size: header, path and 4 bytes for each of the 80 x 80 pixels.
size_t MaxJacketEntryBytes();

// The entry's file name for Key (16 hex digits and ".jkt"): the same key always gives the same
// name; two keys may share one, which the key stored inside the entry tells apart.
std::string JacketEntryName(const TJacketKey& Key);

// The entry's bytes; "" when Jacket is not 80 x 80 or the path is too long to be kept.
std::string EncodeJacketEntry(const TJacketKey& Key, const TABitmap& Jacket);

// Reads an entry back: true with Key and Jacket set when the bytes are a whole, intact entry of
// this version; false (Key and Jacket untouched) for anything else.
bool DecodeJacketEntry(const uint8_t* Data, size_t Size, TJacketKey& Key, TABitmap& Jacket);
