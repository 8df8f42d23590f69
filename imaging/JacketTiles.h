#pragma once
// The folder pane's tiles: a copy of the background with the folder's jacket laid in. Decoding a
// jacket costs milliseconds, a pane may list thousands of folders, so the tiles are made on a
// pool of worker threads and handed back one by one in the folders' order.

#include "imaging/ABitmap.h"
#include "imaging/JacketCache.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

class TJacketTileMaker {
 public:
  // Tiles are copies of Background with the jacket's top-left corner at (JacketLeft, JacketTop).
  // Background must not change while Make runs.
  TJacketTileMaker(const TABitmap& Background, int JacketLeft, int JacketTop);

  // Worker threads for Make; 0 makes every tile on the calling thread, one after the other.
  // The default is one per processor core.
  void SetThreads(int Threads) { FThreads = Threads < 0 ? 0 : Threads; }
  int Threads() const { return FThreads; }
  static int DefaultThreads();

  // Where jackets are looked up before decoding and kept after it; the user's cache unless set.
  // nullptr decodes every jacket.
  void SetCache(TJacketCache* Cache) { FCache = Cache; }

  // One tile, as Make hands it over (what every worker runs): the background with the jacket
  // laid in, or an empty bitmap for a folder without a jacket, which shows the background itself.
  // Thousands of folders may have none: they all share the one background instead of a copy each.
  TABitmap MakeTile(const std::string& BasePath) const;

  // Makes the tile of every base path (LoadJacket's argument) and hands it to OnTile(index, tile)
  // on the calling thread, in the order of BasePaths, as soon as it and all before it are made.
  // A jacket that cannot be read (EInvalidGraphic) gives its folder the plain tile (empty, as
  // for no jacket) and the run goes on; the failures are counted and the first in that order kept. Any other
  // error, or one thrown by OnTile, stops the run and goes to the caller. Every worker has ended
  // when Make returns or throws.
  void Make(const std::vector<std::string>& BasePaths,
            const std::function<void(size_t, TABitmap&)>& OnTile);
  // Of the last Make: the jackets that could not be read, the index of the first of them
  // (BasePaths.size() when none failed) and its error text, which names the file.
  size_t FailedCount() const { return FFailedCount; }
  size_t FailedIndex() const { return FFailedIndex; }
  const std::string& FirstFailure() const { return FFirstFailure; }

 private:
  void MakeSequentially(const std::vector<std::string>& BasePaths,
                        const std::function<void(size_t, TABitmap&)>& OnTile);
  void MakeInParallel(const std::vector<std::string>& BasePaths,
                      const std::function<void(size_t, TABitmap&)>& OnTile);

  // Notes a jacket that failed and gives the tile its folder shows instead.
  TABitmap Failed(size_t Index, const EInvalidGraphic& Error);

  const TABitmap& FBackground;
  int FJacketLeft;
  int FJacketTop;
  int FThreads;
  TJacketCache* FCache;
  size_t FFailedIndex = 0;
  size_t FFailedCount = 0;
  std::string FFirstFailure;
};
