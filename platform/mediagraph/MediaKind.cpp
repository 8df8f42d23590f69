#include "platform/mediagraph/MediaKind.h"

#include <cstring>

namespace platform {

TMediaKind KindOfCaps(const GstCaps* caps) {
  if (caps == nullptr || gst_caps_is_empty(caps) || gst_caps_is_any(caps)) return TMediaKind::Unknown;
  const char* name = gst_structure_get_name(gst_caps_get_structure(caps, 0));
  if (g_str_has_prefix(name, "video/")) return TMediaKind::Video;
  if (g_str_has_prefix(name, "audio/")) return TMediaKind::Audio;
  return TMediaKind::Other;
}

bool IsRawCaps(const GstCaps* caps) {
  if (caps == nullptr || gst_caps_is_empty(caps) || gst_caps_is_any(caps)) return false;
  const char* name = gst_structure_get_name(gst_caps_get_structure(caps, 0));
  return std::strcmp(name, "video/x-raw") == 0 || std::strcmp(name, "audio/x-raw") == 0;
}

TMediaKind KindOfPad(GstPad* pad) {
  GstCaps* caps = gst_pad_get_current_caps(pad);
  if (caps == nullptr) caps = gst_pad_query_caps(pad, nullptr);
  const TMediaKind kind = KindOfCaps(caps);
  if (caps != nullptr) gst_caps_unref(caps);
  return kind;
}

}  // namespace platform
