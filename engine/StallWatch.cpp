#include "engine/StallWatch.h"

void TStallWatch::Restart(int64_t nowMs) {
  last_.reset();
  sinceMs_ = nowMs;
  polls_ = 0;
}

bool TStallWatch::Poll(std::optional<int64_t> position, int64_t nowMs) {
  if (position && position != last_) {
    // The first position read after a restart is where the stream stands, not a move; the
    // count goes on from the restart, so a stream that never moves is still caught.
    const bool moved = last_.has_value();
    last_ = position;
    if (moved) {
      sinceMs_ = nowMs;
      polls_ = 0;
      return false;
    }
  }
  ++polls_;
  return polls_ >= kStallPolls && nowMs - sinceMs_ >= kStallMs;
}
