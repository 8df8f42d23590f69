#pragma once
// Demultiplexing and decoding in one filter (decodebin). Its output pins appear while the graph
// prerolls; the streaming thread parks each new pad (blocked) for the GUI thread to link.
//
// Pins that appear after the build (a chained stream, an MPEG program change) are parked too,
// but their stream waits at most kLatePadWait for the GUI thread; a pad nobody linked by then is
// let go unlinked (its stream is dropped), so a waiting pad never stalls playback.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <vector>

#include "platform/mediagraph/GstFilter.h"

namespace platform {

class TDecoderFilter final : public TGstFilter {
 public:
  static constexpr std::chrono::milliseconds kLatePadWait{1000};  // five polls of the engine

  static ComPtr<TDecoderFilter> Create();
  // The build that made this filter is done: pads from now on are late.
  void Built() { built_ = true; }
  // Pads waiting to be linked, oldest first; each waits until Unblock.
  std::vector<GstPad*> TakeParkedPads();
  void Unblock(GstPad* pad);
  bool HasParkedPads();
  bool NoMorePads() const { return noMorePads_; }

 private:
  struct TParked {
    GstPad* pad;   // with a reference
    gulong probe;  // the blocking probe; 0 for a late pad, whose probe removes itself
  };

  explicit TDecoderFilter(GstElement* element);
  ~TDecoderFilter() override;
  static void OnPadAdded(GstElement* element, GstPad* pad, gpointer self);
  static void OnNoMorePads(GstElement* element, gpointer self);
  static GstPadProbeReturn AwaitRoute(GstPad* pad, GstPadProbeInfo* info, gpointer self);
  bool Waiting(GstPad* pad) const;  // mutex_ held
  static void Post(GstElement* element);

  std::mutex mutex_;  // guards everything below but the flags (streaming threads use it)
  std::condition_variable routed_;
  std::vector<TParked> parked_;
  std::vector<TParked> taken_;              // handed to the GUI thread, not yet unblocked
  std::set<std::pair<GstPad*, gulong>> lateProbes_;  // installed and not fired yet
  bool closing_ = false;
  std::atomic<bool> built_{false};
  std::atomic<bool> noMorePads_{false};
  gulong padAddedId_ = 0;
  gulong noMorePadsId_ = 0;
};

}  // namespace platform
