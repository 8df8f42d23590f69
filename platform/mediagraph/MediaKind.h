#pragma once
// What a pad carries, from its caps: raw video and raw audio are what renderers take.

#include <gst/gst.h>

namespace platform {

enum class TMediaKind {
  Unknown,  // no caps yet, or caps that say nothing (ANY, empty)
  Video,    // video/*, raw or compressed
  Audio,    // audio/*, raw or compressed
  Other,    // subtitles, data streams
};

TMediaKind KindOfCaps(const GstCaps* caps);
TMediaKind KindOfPad(GstPad* pad);  // current caps, else what the pad can take or give
bool IsRawCaps(const GstCaps* caps);

}  // namespace platform
