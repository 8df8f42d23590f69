#pragma once
// Where a graph's stream stands, in media time (100 ns), and what the graph reports of it.
//
// The end of a file is the end of its stream: current equals stop only once the stream has ended
// (end of stream, or an error while running); the engine notices the end by that equality. The
// length a stream reports may be an estimate (a VBR MP3 without a Xing header is timed by its
// first frames), so until the end current stays below stop, and stop follows the position when
// the estimate proves too short. A file thus plays to its last sample whatever its header says.

#include <cstdint>
#include <optional>

namespace platform {

class TStreamPosition {
 public:
  // Nothing rendered: no length, no position.
  void Clear();
  // Prerolled at the start after a build.
  void Started();
  // The stream's length as it reports it now, or none (unknown, or changed and not read yet).
  void SetLength(std::optional<int64_t> length) { length_ = length; }
  bool KnowsLength() const { return length_.has_value(); }

  // A position read from the running or paused stream.
  void Observed(int64_t position);
  // A seek about to be sent; gives the target to send. Before the start means the start; at or
  // past the stop means ended at once, at the end.
  int64_t SeekSent(int64_t target);
  // The pipeline prerolled where the last seek went; exact says nothing has run since.
  void SeekDone(bool exact);
  bool SeekPending() const { return pendingSeek_.has_value(); }
  // Stopped while running: the position is held where it was, and sought there only if the
  // graph runs again (a graph stopped to be cleared never pays for the seek).
  void Hold(int64_t position);
  std::optional<int64_t> Held() const { return held_; }
  // The stream plays on: where it stands is no longer known exactly.
  void Running() { exact_ = false; }
  // Prerolled exactly at target, with nothing run since: a seek there would change nothing.
  bool StandsAt(int64_t target) const;
  void StreamEnded() { ended_ = true; }
  bool Ended() const { return ended_; }
  int64_t Last() const { return last_; }

  // The positions the graph reports; false when there is no length and the stream has not ended.
  bool Report(int64_t* current, int64_t* stop) const;

 private:
  int64_t StopValue() const;

  std::optional<int64_t> length_;
  int64_t last_ = 0;      // last position read, sought or held
  int64_t furthest_ = 0;  // furthest position reached since the build
  std::optional<int64_t> pendingSeek_;
  std::optional<int64_t> held_;
  bool exact_ = false;
  bool ended_ = false;
};

}  // namespace platform
