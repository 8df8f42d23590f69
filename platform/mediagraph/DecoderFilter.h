#pragma once
// Demultiplexing and decoding in one filter (decodebin). Its output pins appear while the graph
// prerolls; the streaming thread parks each new pad (blocked) for the GUI thread to link.

#include <atomic>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/mediagraph/GstFilter.h"

namespace platform {

class TDecoderFilter final : public TGstFilter {
 public:
  static ComPtr<TDecoderFilter> Create();
  // Pads waiting to be linked, oldest first; each stays blocked until Unblock.
  std::vector<GstPad*> TakeParkedPads();
  void Unblock(GstPad* pad);
  bool HasParkedPads();
  bool NoMorePads() const { return noMorePads_; }

 private:
  explicit TDecoderFilter(GstElement* element);
  ~TDecoderFilter() override;
  static void OnPadAdded(GstElement* element, GstPad* pad, gpointer self);
  static void OnNoMorePads(GstElement* element, gpointer self);

  std::mutex mutex_;                       // guards parked_ (streaming threads add to it)
  std::vector<std::pair<GstPad*, gulong>> parked_;  // pad (with a reference), blocking probe id
  std::map<GstPad*, gulong> blocked_;      // taken but not yet unblocked (GUI thread only)
  std::atomic<bool> noMorePads_{false};
  gulong padAddedId_ = 0;
  gulong noMorePadsId_ = 0;
};

}  // namespace platform
