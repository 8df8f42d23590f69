#include "platform/MediaGraphSinks.h"

#include <QGuiApplication>
#include <QWindow>

#include <gst/video/videooverlay.h>

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

bool HaveX11Gui() {
  return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr &&
         QGuiApplication::platformName() == QLatin1String("xcb");
}

}  // namespace

GstElement* MakeSink(const TSinkOptions& options, TSinkRole role) {
  if (options.kind == TSinkOptions::TKind::Fake) return MakeFakeSink(options, role);
  GstElement* sink = gst_element_factory_make(RealFactory(role).c_str(), nullptr);
  if (sink != nullptr && RealFactory(role) == "fakesink") g_object_set(sink, "sync", TRUE, nullptr);
  return sink;
}

TVideoWindowHost::TVideoWindowHost(const std::string& title, bool native) {
  if (!native || !HaveX11Gui()) return;
  window_ = std::make_unique<QWindow>();
  window_->setTitle(QString::fromUtf8(title));
  window_->resize(320, 240);
  window_->create();  // a native id now, before any sink prerolls
}

TVideoWindowHost::~TVideoWindowHost() {
  if (window_) window_->setParent(nullptr);  // never destroy the owner's foreign wrapper first
}

uintptr_t TVideoWindowHost::WindowId() const { return window_ ? window_->winId() : 0; }

void TVideoWindowHost::AttachSink(GstElement* sink) {
  if (!window_ || sink == nullptr || !GST_IS_VIDEO_OVERLAY(sink)) return;
  gst_video_overlay_set_window_handle(GST_VIDEO_OVERLAY(sink), window_->winId());
}

void TVideoWindowHost::SetOwner(uintptr_t owner) {
  owner_ = owner;
  if (!window_) return;
  if (owner == 0) {
    window_->setParent(nullptr);
    ownerWindow_.reset();
    return;
  }
  std::unique_ptr<QWindow> wrapper(QWindow::fromWinId(static_cast<WId>(owner)));
  if (!wrapper) return;
  window_->setParent(wrapper.get());
  ownerWindow_ = std::move(wrapper);
}

void TVideoWindowHost::SetGeometry(long left, long top, long width, long height) {
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  placed_ = true;
  if (window_ && width > 0 && height > 0)
    window_->setGeometry(static_cast<int>(left), static_cast<int>(top), static_cast<int>(width),
                         static_cast<int>(height));
}

void TVideoWindowHost::Geometry(long* left, long* top, long* width, long* height) const {
  *left = left_;
  *top = top_;
  *width = width_;
  *height = height_;
}

void TVideoWindowHost::FitToVideo(int width, int height) {
  if (placed_ || owner_ != 0 || width <= 0 || height <= 0) return;
  width_ = width;
  height_ = height;
  if (window_) window_->resize(width, height);
}

void TVideoWindowHost::SetVisible(bool visible) {
  if (window_) window_->setVisible(visible);
}

}  // namespace platform
