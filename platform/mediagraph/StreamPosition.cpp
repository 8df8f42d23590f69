#include "platform/mediagraph/StreamPosition.h"

#include <algorithm>

namespace platform {

void TStreamPosition::Clear() { *this = TStreamPosition(); }

void TStreamPosition::Started() {
  Clear();
  exact_ = true;
}

void TStreamPosition::Observed(int64_t position) {
  last_ = std::max<int64_t>(position, 0);
  furthest_ = std::max(furthest_, last_);
}

int64_t TStreamPosition::SeekSent(int64_t target) {
  target = std::max<int64_t>(target, 0);
  held_.reset();
  exact_ = false;
  ended_ = false;
  const int64_t stop = StopValue();
  ended_ = length_.has_value() && stop > 0 && target >= stop;
  if (ended_) target = stop;
  last_ = target;
  furthest_ = std::max(furthest_, target);
  pendingSeek_ = target;
  return target;
}

void TStreamPosition::SeekDone(bool exact) {
  pendingSeek_.reset();
  exact_ = exact;
}

void TStreamPosition::Hold(int64_t position) {
  Observed(position);
  held_ = last_;
}

bool TStreamPosition::StandsAt(int64_t target) const {
  return exact_ && !pendingSeek_ && !held_ && !ended_ && last_ == target;
}

// Before the end stop stays above every position reached; at the end it is the furthest of the
// length and the last position, and current is given the same value.
int64_t TStreamPosition::StopValue() const {
  const int64_t length = length_.value_or(0);
  return ended_ ? std::max(length, furthest_) : std::max(length, furthest_ + 1);
}

bool TStreamPosition::Report(int64_t* current, int64_t* stop) const {
  if (ended_) {
    *current = *stop = StopValue();
    return true;
  }
  if (!length_) return false;
  *stop = StopValue();
  *current = last_;  // never more than furthest_, so below stop
  return true;
}

}  // namespace platform
