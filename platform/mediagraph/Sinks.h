#pragma once
// The sink elements behind the renderers.

#include <gst/gst.h>

#include "platform/mediagraph/SinkOptions.h"

namespace platform {

// A new sink element for the role (floating reference), or null when none can be made.
GstElement* MakeSink(const TSinkOptions& options, TSinkRole role);
// The probe real sinks of these options come from.
TSinkProbe& ProbeOf(const TSinkOptions& options);

}  // namespace platform
