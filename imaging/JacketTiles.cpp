#include "imaging/JacketTiles.h"

#include "imaging/JacketLoader.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <thread>

namespace {

// How far the workers may run ahead of the tile being handed over: bounds the tiles held at once
// (a few MB) when the caller is slow.
constexpr size_t MaxLead = 256;

// The shared state of one parallel run. Workers take indices in order from Next; a slot is
// written by one worker, then read by the handing-over thread once Done is set under Lock.
class TTileQueue {
 public:
  struct TSlot {
    bool Done = false;
    TABitmap Tile;
    std::exception_ptr Error;
  };

  explicit TTileQueue(size_t Count) : FSlots(Count) {}

  // The next index a worker should make, or false when there is nothing more to do.
  bool Take(size_t& Index) {
    std::unique_lock Guard(FLock);
    // Past the lead the worker waits for the consumer.
    ++FWorkersWaiting;
    FRoom.wait(Guard, [&] { return FStop || FNext >= FSlots.size() || FNext < FHanded + MaxLead; });
    --FWorkersWaiting;
    if (FStop || FNext >= FSlots.size()) return false;
    Index = FNext++;
    return true;
  }

  void Put(size_t Index, TABitmap&& Tile, std::exception_ptr Error) {
    std::lock_guard Guard(FLock);
    TSlot& Slot = FSlots[Index];
    Slot.Tile = std::move(Tile);
    Slot.Error = Error;
    Slot.Done = true;
    // Waking the consumer for a slot it is not waiting for only costs a context switch; with
    // thousands of folders without jackets those switches were most of the build.
    if (Index == FWanted) FReady.notify_one();
  }

  // Waits for slot Index and empties it; the next worker may then run further ahead.
  TSlot Get(size_t Index) {
    std::unique_lock Guard(FLock);
    FWanted = Index;
    FReady.wait(Guard, [&] { return FSlots[Index].Done; });
    FWanted = SIZE_MAX;
    TSlot Slot = std::move(FSlots[Index]);
    FSlots[Index] = TSlot();
    FHanded = Index + 1;
    if (FWorkersWaiting > 0) FRoom.notify_all();
    return Slot;
  }

  void Stop() {
    std::lock_guard Guard(FLock);
    FStop = true;
    FRoom.notify_all();
  }

 private:
  std::mutex FLock;
  std::condition_variable FReady;  // the consumer: the slot it wants is done
  std::condition_variable FRoom;   // the workers: an index to take, or the end
  size_t FWanted = SIZE_MAX;       // the slot the consumer waits for
  int FWorkersWaiting = 0;
  std::vector<TSlot> FSlots;
  size_t FNext = 0;
  size_t FHanded = 0;
  bool FStop = false;
};

// Stops and joins the workers however the handing-over loop ends.
class TWorkers {
 public:
  explicit TWorkers(TTileQueue& Queue) : FQueue(Queue) {}
  ~TWorkers() {
    FQueue.Stop();
    for (std::thread& Worker : FThreads) Worker.join();
  }
  template <class F>
  void Start(int Count, F Work) {
    for (int i = 0; i < Count; ++i) FThreads.emplace_back(Work);
  }

 private:
  TTileQueue& FQueue;
  std::vector<std::thread> FThreads;
};

}  // namespace

TJacketTileMaker::TJacketTileMaker(const TABitmap& Background, int JacketLeft, int JacketTop)
    : FBackground(Background),
      FJacketLeft(JacketLeft),
      FJacketTop(JacketTop),
      FThreads(DefaultThreads()),
      FCache(&TJacketCache::ForUser()) {}

int TJacketTileMaker::DefaultThreads() {
  return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

TABitmap TJacketTileMaker::MakeTile(const std::string& BasePath) const {
  const TJacketFile File = FindJacket(BasePath);
  if (File.Path.empty()) return TABitmap();
  const std::unique_ptr<TABitmap> Jacket = FCache ? FCache->Load(File) : LoadJacket(File);
  TABitmap Tile(FBackground);
  Tile.CopyFrom(*Jacket, FJacketLeft, FJacketTop);
  return Tile;
}

TABitmap TJacketTileMaker::Failed(size_t Index, const EInvalidGraphic& Error) {
  if (FFailedCount++ == 0) {
    FFailedIndex = Index;
    FFirstFailure = Error.what();
  }
  return TABitmap();
}

void TJacketTileMaker::Make(const std::vector<std::string>& BasePaths,
                            const std::function<void(size_t, TABitmap&)>& OnTile) {
  FFailedIndex = BasePaths.size();
  FFailedCount = 0;
  FFirstFailure.clear();
  if (FThreads == 0 || BasePaths.size() < 2) MakeSequentially(BasePaths, OnTile);
  else MakeInParallel(BasePaths, OnTile);
  // After the pane is complete, so that only a run that wrote entries pays for the folder scan.
  if (FCache) FCache->Trim();
}

void TJacketTileMaker::MakeSequentially(const std::vector<std::string>& BasePaths,
                                        const std::function<void(size_t, TABitmap&)>& OnTile) {
  for (size_t i = 0; i < BasePaths.size(); ++i) {
    TABitmap Tile;
    try {
      Tile = MakeTile(BasePaths[i]);
    } catch (const EInvalidGraphic& Error) {
      Tile = Failed(i, Error);
    }
    OnTile(i, Tile);
  }
}

void TJacketTileMaker::MakeInParallel(const std::vector<std::string>& BasePaths,
                                      const std::function<void(size_t, TABitmap&)>& OnTile) {
  TTileQueue Queue(BasePaths.size());
  TWorkers Workers(Queue);
  const int Count = static_cast<int>(std::min<size_t>(FThreads, BasePaths.size()));
  Workers.Start(Count, [&] {
    size_t Index = 0;
    while (Queue.Take(Index)) {
      TABitmap Tile;
      std::exception_ptr Error;
      try {
        Tile = MakeTile(BasePaths[Index]);
      } catch (...) {
        Error = std::current_exception();
      }
      Queue.Put(Index, std::move(Tile), Error);
    }
  });
  for (size_t i = 0; i < BasePaths.size(); ++i) {
    TTileQueue::TSlot Slot = Queue.Get(i);
    if (Slot.Error) {
      // A jacket that cannot be read costs its folder the picture, nothing more; any other
      // error (memory) ends the run.
      try {
        std::rethrow_exception(Slot.Error);
      } catch (const EInvalidGraphic& Error) {
        Slot.Tile = Failed(i, Error);
      }
    }
    OnTile(i, Slot.Tile);
  }
}
