#include "platform/mediagraph/Sinks.h"

#include "platform/mediagraph/ChainBin.h"


namespace platform {

namespace {

// The first factory of the list whose element opens its device, else the last one.
std::string ProbeFactory(const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    GstElement* element = gst_element_factory_make(name.c_str(), nullptr);
    if (element == nullptr) continue;
    gst_object_ref_sink(element);
    // READY opens the device (display connection, sound server, card) without streaming.
    const bool opens = gst_element_set_state(element, GST_STATE_READY) == GST_STATE_CHANGE_SUCCESS;
    gst_element_set_state(element, GST_STATE_NULL);
    gst_object_unref(element);
    if (opens) return name;
  }
  return names.empty() ? "fakesink" : names.back();
}

bool IsVideo(TSinkRole role) {
  return role == TSinkRole::VideoRenderer || role == TSinkRole::GateVideo;
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

GstElement* MakeRecorder(const TSinkOptions& options) {
  GstElement* caps = Make("capsfilter");
  GstElement* file = Make("filesink");
  if (caps != nullptr) {
    GstCaps* format = gst_caps_from_string(
        "audio/x-raw,format=S16LE,layout=interleaved,rate=44100,channels=2");
    g_object_set(caps, "caps", format, nullptr);
    gst_caps_unref(format);
  }
  // Appended and unbuffered: files played one after the other land in one recording, which
  // grows as the samples are rendered.
  if (file != nullptr)
    g_object_set(file, "location", options.audioFile.c_str(), "append", TRUE, "buffer-mode", 2,
                 nullptr);
  return MakeChainBin({caps, file}, "sink", nullptr);
}

GstElement* MakeFakeSink(const TSinkOptions& options, TSinkRole role) {
  const bool record = role == TSinkRole::AudioRenderer && !options.audioFile.empty();
  GstElement* sink = record ? MakeRecorder(options) : gst_element_factory_make("fakesink", nullptr);
  if (sink == nullptr) return nullptr;
  if (record) {
    GstElement* file = gst_bin_get_by_interface(GST_BIN(sink), GST_TYPE_URI_HANDLER);
    if (file != nullptr) {
      g_object_set(file, "sync", options.sync ? TRUE : FALSE, nullptr);
      gst_object_unref(file);
    }
  } else {
    g_object_set(sink, "sync", options.sync ? TRUE : FALSE, nullptr);
  }
  if (options.counters) {
    ++options.counters->sinksMade;
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

TSinkProbe::TSinkProbe(std::vector<std::string> video, std::vector<std::string> audio)
    : video_(std::move(video)), audio_(std::move(audio)) {}

std::shared_ptr<TSinkProbe> TSinkProbe::Default() {
  // autovideosink leaks a thread per graph headless and picks a GL sink under Xvfb: not used.
  static const auto probe = std::make_shared<TSinkProbe>(
      std::vector<std::string>{"xvimagesink", "ximagesink", "fakesink"},
      std::vector<std::string>{"pulsesink", "alsasink", "autoaudiosink"});
  return probe;
}

std::string TSinkProbe::Factory(TSinkRole role) {
  std::optional<std::string>& winner = IsVideo(role) ? videoWinner_ : audioWinner_;
  if (!winner) winner = ProbeFactory(IsVideo(role) ? video_ : audio_);
  return *winner;
}

void TSinkProbe::Forget() {
  videoWinner_.reset();
  audioWinner_.reset();
}

GstElement* MakeSink(const TSinkOptions& options, TSinkRole role) {
  if (options.kind == TSinkOptions::TKind::Fake) return MakeFakeSink(options, role);
  const std::string factory = ProbeOf(options).Factory(role);
  GstElement* sink = gst_element_factory_make(factory.c_str(), nullptr);
  // No display: the picture goes nowhere, but at the pace of the sound.
  if (sink != nullptr && factory == "fakesink") g_object_set(sink, "sync", TRUE, nullptr);
  return sink;
}

TSinkProbe& ProbeOf(const TSinkOptions& options) {
  return options.probe ? *options.probe : *TSinkProbe::Default();
}

}  // namespace platform
