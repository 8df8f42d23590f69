#pragma once
// Jackets made once and kept on disk: decoding a 500 x 500 JPEG costs about a millisecond, reading
// its 80 x 80 jacket back costs a few microseconds, and a library of thousands of albums is listed
// at every start and every return to its root.
//
// One file per jacket in a folder of its own (the user's is $XDG_CACHE_HOME/orvane/jackets/),
// named after the jacket file's path, size, modification time and inode; a changed picture thus
// gets a new name and its old entry is never read again. The jacket is kept rather than the tile,
// so the background and where the jacket sits in the tile stay out of the key. Entries are
// written to a temporary file and renamed into place; the folder is held under a cap by removing
// the entries used longest ago. Every failure to read or write the cache only costs the decoding
// the cache would have saved.

#include "imaging/ABitmap.h"
#include "imaging/JacketCacheEntry.h"
#include "imaging/JacketLoader.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

class TJacketCache {
 public:
  // 256 MB: about 13,000 jackets of decoded JPEGs, more than the largest libraries we know of.
  static constexpr uint64_t DefaultCapBytes = uint64_t{256} << 20;

  // Folder gets a trailing delimiter; an empty Folder keeps nothing (Load only decodes).
  explicit TJacketCache(std::string Folder, uint64_t CapBytes = DefaultCapBytes);

  // The user's cache: $XDG_CACHE_HOME/orvane/jackets/, or ~/.cache/orvane/jackets/ when that
  // is unset; none when neither names an absolute folder.
  static TJacketCache& ForUser();

  const std::string& Folder() const { return FFolder; }

  // The jacket of File (which FindJacket found): from the cache when it holds the jacket of the
  // file as it is now, else decoded by LoadJacket (whose errors pass through) and kept.
  // Safe to call from several threads at once.
  std::unique_ptr<TABitmap> Load(const TJacketFile& File);

  // Brings the folder under the cap, oldest entries first, when entries were written since the
  // last call; also removes temporary files that a killed writer left behind.
  void Trim();

 private:
  std::unique_ptr<TABitmap> Find(const std::string& EntryPath, const TJacketKey& Key) const;
  void Store(const std::string& EntryPath, const TJacketKey& Key, const TABitmap& Jacket);

  std::string FFolder;
  uint64_t FCapBytes;
  std::atomic<uint64_t> FWritten{0};
};
