#pragma once
// The sink elements behind the renderers. The real sinks are probed once per process.

#include <gst/gst.h>

#include "platform/mediagraph/SinkOptions.h"

namespace platform {

// A new sink element for the role (floating reference), or null when none can be made.
GstElement* MakeSink(const TSinkOptions& options, TSinkRole role);

}  // namespace platform
