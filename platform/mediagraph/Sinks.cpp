#include "platform/mediagraph/Sinks.h"

#include <mutex>

namespace platform {

namespace {

// The first factory of the list whose element opens its device; probed once per process.
std::string ProbeFactory(std::initializer_list<const char*> names, const char* fallback) {
  for (const char* name : names) {
    GstElement* element = gst_element_factory_make(name, nullptr);
    if (element == nullptr) continue;
    gst_object_ref_sink(element);
    // READY opens the device (display connection, sound server, card) without streaming.
    const bool opens = gst_element_set_state(element, GST_STATE_READY) == GST_STATE_CHANGE_SUCCESS;
    gst_element_set_state(element, GST_STATE_NULL);
    gst_object_unref(element);
    if (opens) return name;
  }
  return fallback;
}

const std::string& RealFactory(TSinkRole role) {
  static std::once_flag once;
  static std::string video;
  static std::string audio;
  std::call_once(once, [] {
    // autovideosink leaks a thread per graph headless and picks a GL sink under Xvfb: not used.
    video = ProbeFactory({"xvimagesink", "ximagesink"}, "fakesink");
    audio = ProbeFactory({"pulsesink", "alsasink"}, "autoaudiosink");
  });
  return role == TSinkRole::VideoRenderer || role == TSinkRole::GateVideo ? video : audio;
}

std::atomic<long>* CounterFor(TRenderCounters& counters, TSinkRole role) {
  switch (role) {
    case TSinkRole::VideoRenderer: return &counters.videoRenderer;
    case TSinkRole::AudioRenderer: return &counters.audioRenderer;
    case TSinkRole::GateVideo: return &counters.gateVideo;
    case TSinkRole::GateAudio: return &counters.gateAudio;
  }
  return &counters.videoRenderer;
}

// Runs on the streaming thread; the counters outlive the sink (held by the probe's user data).
GstPadProbeReturn CountBuffer(GstPad*, GstPadProbeInfo*, gpointer data) {
  static_cast<std::atomic<long>*>(data)->fetch_add(1);
  return GST_PAD_PROBE_OK;
}

struct TCounterRef {
  std::shared_ptr<TRenderCounters> owner;
  std::atomic<long>* counter;
};

GstElement* MakeFakeSink(const TSinkOptions& options, TSinkRole role) {
  GstElement* sink = gst_element_factory_make("fakesink", nullptr);
  if (sink == nullptr) return nullptr;
  g_object_set(sink, "sync", options.sync ? TRUE : FALSE, nullptr);
  if (options.counters) {
    GstPad* pad = gst_element_get_static_pad(sink, "sink");
    auto* ref = new TCounterRef{options.counters, CounterFor(*options.counters, role)};
    gst_pad_add_probe(
        pad, GST_PAD_PROBE_TYPE_BUFFER,
        [](GstPad* p, GstPadProbeInfo* info, gpointer data) {
          return CountBuffer(p, info, static_cast<TCounterRef*>(data)->counter);
        },
        ref, [](gpointer data) { delete static_cast<TCounterRef*>(data); });
    gst_object_unref(pad);
  }
  return sink;
}

}  // namespace

GstElement* MakeSink(const TSinkOptions& options, TSinkRole role) {
  if (options.kind == TSinkOptions::TKind::Fake) return MakeFakeSink(options, role);
  GstElement* sink = gst_element_factory_make(RealFactory(role).c_str(), nullptr);
  if (sink != nullptr && RealFactory(role) == "fakesink") g_object_set(sink, "sync", TRUE, nullptr);
  return sink;
}

}  // namespace platform
