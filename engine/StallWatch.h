#pragma once
// Tells a stream that has stopped moving while it runs from one that is merely slow (a network
// file, a loaded machine), so that a file that hangs is given up instead of playing "at 0 s"
// for ever.
//
// The rule: a running stream has stalled once its position has not changed for kStallMs of
// running time AND over at least kStallPolls polls. Any change of position, however small,
// counts as progress and starts the count again, so a slow stream is never stalled; time while
// paused or stopped does not count (Restart). The second bound keeps a machine that was
// suspended, or a GUI thread that was blocked, from counting time in which nobody looked: each
// poll has to see the stream standing still. At the player's 200 ms poll the time bound decides.

#include <cstdint>
#include <optional>

class TStallWatch {
 public:
  static constexpr int64_t kStallMs = 20000;
  static constexpr int kStallPolls = 50;

  // The stream runs (again) from nowMs: the time before does not count.
  void Restart(int64_t nowMs);
  // One poll of a running stream that has not ended; position is none when it cannot be read,
  // which is no progress either. True once the stream has stalled.
  bool Poll(std::optional<int64_t> position, int64_t nowMs);

 private:
  std::optional<int64_t> last_;
  int64_t sinceMs_ = 0;
  int polls_ = 0;
};
