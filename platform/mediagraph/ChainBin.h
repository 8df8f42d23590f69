#pragma once
// The bins that the simple filters are made of.

#include <gst/gst.h>

#include <initializer_list>

namespace platform {

// A bin holding elements linked in a row, its first sink pad and last source pad exposed as
// ghost pads with the given names (null: none). Null when an element cannot be made or linked;
// the elements are then freed.
GstElement* MakeChainBin(std::initializer_list<GstElement*> chain, const char* sinkName,
                         const char* srcName);

GstElement* Make(const char* factory);  // a new element of the factory, or null

}  // namespace platform
