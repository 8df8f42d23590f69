#include "platform/mediagraph/ChainBin.h"

#include <algorithm>

namespace platform {

// A bin holding elements linked in a row, its first sink pad and last source pad exposed as
// ghost pads with the given names (empty: none). Null when an element cannot be made or linked.
GstElement* MakeChainBin(std::initializer_list<GstElement*> chain, const char* sinkName,
                         const char* srcName) {
  bool complete = std::none_of(chain.begin(), chain.end(), [](GstElement* e) { return !e; });
  GstElement* bin = gst_bin_new(nullptr);
  for (GstElement* e : chain) {
    if (e == nullptr) continue;
    if (complete) gst_bin_add(GST_BIN(bin), e);
    else gst_object_unref(gst_object_ref_sink(e));
  }
  if (!complete) {
    gst_object_unref(gst_object_ref_sink(bin));
    return nullptr;
  }
  GstElement* previous = nullptr;
  for (GstElement* e : chain) {
    if (previous != nullptr && !gst_element_link(previous, e)) complete = false;
    previous = e;
  }
  auto expose = [&](GstElement* e, const char* padName, const char* ghostName) {
    GstPad* target = gst_element_get_static_pad(e, padName);
    if (target == nullptr) return false;
    // Pin names are given here: a pad that already has a parent cannot be renamed.
    GstPad* ghost = gst_ghost_pad_new(ghostName, target);
    gst_object_unref(target);
    return ghost != nullptr && gst_element_add_pad(bin, ghost);
  };
  if (complete && sinkName != nullptr) complete = expose(*chain.begin(), "sink", sinkName);
  if (complete && srcName != nullptr) complete = expose(*(chain.end() - 1), "src", srcName);
  if (!complete) {
    gst_object_unref(gst_object_ref_sink(bin));
    return nullptr;
  }
  return bin;
}

GstElement* Make(const char* factory) { return gst_element_factory_make(factory, nullptr); }

}  // namespace platform
