#include "platform/mediagraph/DecoderFilter.h"

#include <algorithm>

#include "platform/mediagraph/ChainBin.h"

namespace platform {

ComPtr<TDecoderFilter> TDecoderFilter::Create() {
  GstElement* decodebin = Make("decodebin");
  if (decodebin == nullptr) return {};
  return ComPtr<TDecoderFilter>::Attach(new TDecoderFilter(decodebin));
}

TDecoderFilter::TDecoderFilter(GstElement* element) : TGstFilter(element) {
  padAddedId_ = g_signal_connect(Element(), "pad-added", G_CALLBACK(&OnPadAdded), this);
  noMorePadsId_ = g_signal_connect(Element(), "no-more-pads", G_CALLBACK(&OnNoMorePads), this);
}

TDecoderFilter::~TDecoderFilter() {
  // No callback may reach this object once it is going: disconnect, wake the waiting streams,
  // then stop the threads; probes that never fired go after that.
  g_signal_handler_disconnect(Element(), padAddedId_);
  g_signal_handler_disconnect(Element(), noMorePadsId_);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closing_ = true;
  }
  routed_.notify_all();
  gst_element_set_state(Element(), GST_STATE_NULL);
  std::lock_guard<std::mutex> lock(mutex_);
  for (const auto& [pad, probe] : lateProbes_) gst_pad_remove_probe(pad, probe);
  for (std::vector<TParked>* list : {&parked_, &taken_}) {
    for (const TParked& p : *list) {
      if (p.probe != 0) gst_pad_remove_probe(p.pad, p.probe);
      gst_object_unref(p.pad);
    }
  }
}

void TDecoderFilter::Post(GstElement* element) {
  gst_element_post_message(
      element, gst_message_new_application(GST_OBJECT(element),
                                           gst_structure_new_empty("orvane-pad-parked")));
}

// Streaming thread: park the pad and wake the GUI thread through the bus. During the build the
// pad is blocked until the GUI thread links it; a late one waits in AwaitRoute, bounded.
void TDecoderFilter::OnPadAdded(GstElement* element, GstPad* pad, gpointer self) {
  auto* filter = static_cast<TDecoderFilter*>(self);
  std::lock_guard<std::mutex> lock(filter->mutex_);
  if (filter->closing_) return;
  gulong probe = 0;
  if (filter->built_) {
    const auto data =
        static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST);
    const gulong id = gst_pad_add_probe(pad, data, &AwaitRoute, filter, nullptr);
    filter->lateProbes_.emplace(pad, id);
  } else {
    probe = gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BLOCK_DOWNSTREAM,
                              [](GstPad*, GstPadProbeInfo*, gpointer) { return GST_PAD_PROBE_OK; },
                              nullptr, nullptr);
  }
  filter->parked_.push_back({static_cast<GstPad*>(gst_object_ref(pad)), probe});
  Post(element);
}

void TDecoderFilter::OnNoMorePads(GstElement* element, gpointer self) {
  static_cast<TDecoderFilter*>(self)->noMorePads_ = true;
  Post(element);
}

bool TDecoderFilter::Waiting(GstPad* pad) const {
  auto is = [pad](const TParked& p) { return p.pad == pad; };
  return std::any_of(parked_.begin(), parked_.end(), is) ||
         std::any_of(taken_.begin(), taken_.end(), is);
}

// Streaming thread, a late pad's first buffer: waits for the GUI thread to link the pad, at most
// kLatePadWait; a pad still parked then is forgotten and its stream goes on unlinked.
GstPadProbeReturn TDecoderFilter::AwaitRoute(GstPad* pad, GstPadProbeInfo* info, gpointer self) {
  auto* filter = static_cast<TDecoderFilter*>(self);
  std::unique_lock<std::mutex> lock(filter->mutex_);
  filter->routed_.wait_for(lock, kLatePadWait,
                           [&] { return filter->closing_ || !filter->Waiting(pad); });
  auto it = std::find_if(filter->parked_.begin(), filter->parked_.end(),
                         [pad](const TParked& p) { return p.pad == pad; });
  if (it != filter->parked_.end()) {
    gst_object_unref(it->pad);
    filter->parked_.erase(it);
  }
  filter->lateProbes_.erase({pad, GST_PAD_PROBE_INFO_ID(info)});
  return GST_PAD_PROBE_REMOVE;
}

std::vector<GstPad*> TDecoderFilter::TakeParkedPads() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<GstPad*> pads;
  for (const TParked& p : parked_) pads.push_back(p.pad);
  taken_.insert(taken_.end(), parked_.begin(), parked_.end());
  parked_.clear();
  return pads;
}

bool TDecoderFilter::HasParkedPads() {
  std::lock_guard<std::mutex> lock(mutex_);
  return !parked_.empty();
}

void TDecoderFilter::Unblock(GstPad* pad) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = std::find_if(taken_.begin(), taken_.end(),
                           [pad](const TParked& p) { return p.pad == pad; });
    if (it == taken_.end()) return;
    if (it->probe != 0) gst_pad_remove_probe(pad, it->probe);
    gst_object_unref(it->pad);
    taken_.erase(it);
  }
  routed_.notify_all();
}

}  // namespace platform
