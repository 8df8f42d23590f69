#include "platform/mediagraph/DecoderFilter.h"

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
  // No callback may reach this object once it is going: disconnect, then stop the threads.
  g_signal_handler_disconnect(Element(), padAddedId_);
  g_signal_handler_disconnect(Element(), noMorePadsId_);
  gst_element_set_state(Element(), GST_STATE_NULL);
  for (auto& [pad, probe] : parked_) {
    gst_pad_remove_probe(pad, probe);
    gst_object_unref(pad);
  }
  for (auto& [pad, probe] : blocked_) {
    gst_pad_remove_probe(pad, probe);
    gst_object_unref(pad);
  }
}

// Streaming thread: park the pad, blocked, and wake the GUI thread's wait through the bus.
void TDecoderFilter::OnPadAdded(GstElement* element, GstPad* pad, gpointer self) {
  auto* filter = static_cast<TDecoderFilter*>(self);
  const gulong probe = gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BLOCK_DOWNSTREAM,
                                         [](GstPad*, GstPadProbeInfo*, gpointer) {
                                           return GST_PAD_PROBE_OK;
                                         }, nullptr, nullptr);
  {
    std::lock_guard<std::mutex> lock(filter->mutex_);
    filter->parked_.emplace_back(static_cast<GstPad*>(gst_object_ref(pad)), probe);
  }
  gst_element_post_message(
      element, gst_message_new_application(GST_OBJECT(element),
                                           gst_structure_new_empty("orvane-pad-parked")));
}

void TDecoderFilter::OnNoMorePads(GstElement* element, gpointer self) {
  static_cast<TDecoderFilter*>(self)->noMorePads_ = true;
  gst_element_post_message(
      element, gst_message_new_application(GST_OBJECT(element),
                                           gst_structure_new_empty("orvane-pad-parked")));
}

std::vector<GstPad*> TDecoderFilter::TakeParkedPads() {
  std::vector<std::pair<GstPad*, gulong>> taken;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    taken.swap(parked_);
  }
  std::vector<GstPad*> pads;
  for (auto& [pad, probe] : taken) {
    blocked_[pad] = probe;
    pads.push_back(pad);
  }
  return pads;
}

bool TDecoderFilter::HasParkedPads() {
  std::lock_guard<std::mutex> lock(mutex_);
  return !parked_.empty();
}

void TDecoderFilter::Unblock(GstPad* pad) {
  auto it = blocked_.find(pad);
  if (it == blocked_.end()) return;
  gst_pad_remove_probe(pad, it->second);
  gst_object_unref(pad);
  blocked_.erase(it);
}

}  // namespace platform
