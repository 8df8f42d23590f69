#include "bench/PlaybinPeer.h"

#include <gst/gst.h>

namespace bench {

TPlaybinPeer::TPlaybinPeer(const std::string& path, bool sync) {
  gst_init_check(nullptr, nullptr, nullptr);
  gchar* uri = gst_filename_to_uri(path.c_str(), nullptr);
  const std::string fake = std::string("fakesink sync=") + (sync ? "true" : "false");
  const std::string description = std::string("playbin uri=\"") + (uri ? uri : "") +
                                  "\" audio-sink=\"" + fake + "\" video-sink=\"" + fake + "\"";
  g_free(uri);
  GError* error = nullptr;
  playbin_ = gst_parse_launch(description.c_str(), &error);
  if (error != nullptr) g_error_free(error);
  if (playbin_ != nullptr) gst_object_ref_sink(playbin_);
}

TPlaybinPeer::~TPlaybinPeer() {
  if (playbin_ == nullptr) return;
  gst_element_set_state(playbin_, GST_STATE_NULL);
  gst_object_unref(playbin_);
}

bool TPlaybinPeer::Play() {
  return playbin_ != nullptr &&
         gst_element_set_state(playbin_, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE;
}

int64_t TPlaybinPeer::Position() {
  gint64 ns = -1;
  if (playbin_ == nullptr || !gst_element_query_position(playbin_, GST_FORMAT_TIME, &ns) || ns < 0)
    return -1;
  return ns / 100;
}

bool TPlaybinPeer::Ended() {
  if (playbin_ == nullptr) return true;
  GstBus* bus = gst_element_get_bus(playbin_);
  while (GstMessage* m = gst_bus_pop_filtered(bus, static_cast<GstMessageType>(GST_MESSAGE_EOS |
                                                                              GST_MESSAGE_ERROR))) {
    ended_ = true;
    gst_message_unref(m);
  }
  gst_object_unref(bus);
  return ended_;
}

}  // namespace bench
