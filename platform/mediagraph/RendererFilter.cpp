#include "platform/mediagraph/RendererFilter.h"

#include "platform/mediagraph/ChainBin.h"
#include "platform/mediagraph/GstPin.h"

namespace platform {

namespace {

const char kAudioInput[] = "Audio Input pin (rendered)";

// concat ! audioconvert ! audioresample ! capsfilter ! sink; the input pin is concat's first
// pad. Null when an element is missing or cannot be linked.
GstElement* MakeJoinableAudio(GstElement* sink, GstElement** join, GstElement** format) {
  GstElement* concat = Make("concat");
  GstElement* convert = Make("audioconvert");
  GstElement* caps = Make("capsfilter");
  GstElement* bin =
      MakeChainBin({convert, Make("audioresample"), caps, sink}, kAudioInput, nullptr);
  if (bin == nullptr || concat == nullptr) {
    if (concat != nullptr) gst_object_unref(gst_object_ref_sink(concat));
    if (bin != nullptr) gst_object_unref(gst_object_ref_sink(bin));
    return nullptr;
  }
  gst_bin_add(GST_BIN(bin), concat);
  GstPad* first = gst_element_request_pad_simple(concat, "sink_%u");
  GstPad* ghost = gst_element_get_static_pad(bin, kAudioInput);
  const bool made = first != nullptr && ghost != nullptr &&
                    gst_ghost_pad_set_target(GST_GHOST_PAD(ghost), first) &&
                    gst_element_link(concat, convert);
  if (first != nullptr) gst_object_unref(first);
  if (ghost != nullptr) gst_object_unref(ghost);
  if (!made) {
    gst_object_unref(gst_object_ref_sink(bin));
    return nullptr;
  }
  *join = concat;
  *format = caps;
  return bin;
}

}  // namespace

const char16_t* TRendererFilter::NameFor(TMediaKind kind) {
  return kind == TMediaKind::Video ? u"Video Renderer" : u"Default DirectSound Device";
}

ComPtr<TRendererFilter> TRendererFilter::Create(TMediaKind kind, const TSinkOptions& sinks,
                                                bool joinable) {
  if (kind != TMediaKind::Video && kind != TMediaKind::Audio) return {};
  const bool video = kind == TMediaKind::Video;
  GstElement* sink = MakeSink(sinks, video ? TSinkRole::VideoRenderer : TSinkRole::AudioRenderer);
  std::unique_ptr<TVideoWindowHost> window;
  if (video) {
    window = std::make_unique<TVideoWindowHost>("ActiveMovie Window",
                                                sinks.kind == TSinkOptions::TKind::Real);
    window->AttachSink(sink);
  }
  GstElement* join = nullptr;
  GstElement* format = nullptr;
  GstElement* bin =
      video      ? MakeChainBin({Make("videoconvert"), Make("videoscale"), sink}, "Input", nullptr)
      : joinable ? MakeJoinableAudio(sink, &join, &format)
                 : MakeChainBin({Make("audioconvert"), Make("audioresample"), sink}, kAudioInput,
                                nullptr);
  if (bin == nullptr) return {};
  auto* renderer = new TRendererFilter(bin, kind, std::move(window));
  renderer->join_ = join;
  renderer->format_ = format;
  return ComPtr<TRendererFilter>::Attach(renderer);
}

TRendererFilter::TRendererFilter(GstElement* element, TMediaKind kind,
                                 std::unique_ptr<TVideoWindowHost> window)
    : TGstFilter(element), kind_(kind), window_(std::move(window)) {}

GstPad* TRendererFilter::FreeInputFor(TMediaKind kind) {
  if (kind != kind_) return nullptr;
  for (const ComPtr<TGstPin>& pin : Pins()) {
    // Pads added for a queued file (TGaplessJoin) belong to that file alone.
    if (g_str_has_prefix(GST_PAD_NAME(pin->Pad()), kJoinPadPrefix)) continue;
    if (GST_PAD_DIRECTION(pin->Pad()) == GST_PAD_SINK && !pin->IsConnected()) return pin->Pad();
  }
  return nullptr;
}

bool TRendererFilter::WantsPipeline() const {
  bool connected = false;
  GST_OBJECT_LOCK(Element());
  for (GList* l = Element()->sinkpads; l != nullptr; l = l->next)
    connected = connected || gst_pad_is_linked(GST_PAD(l->data));
  GST_OBJECT_UNLOCK(Element());
  return connected;
}

void TRendererFilter::RunStateChanged(OAFilterState state) {
  // Like a video renderer's own window: shown once the graph is cued or running.
  if (window_ && state != State_Stopped) window_->SetVisible(true);
}

void TRendererFilter::Prerolled() {
  int width = 0;
  int height = 0;
  if (window_ && VideoSize(&width, &height)) window_->FitToVideo(width, height);
}

bool TRendererFilter::VideoSize(int* width, int* height) const {
  if (kind_ != TMediaKind::Video) return false;
  GstPad* pad = gst_element_get_static_pad(Element(), "Input");
  if (pad == nullptr) return false;
  GstCaps* caps = gst_pad_get_current_caps(pad);
  gst_object_unref(pad);
  if (caps == nullptr) return false;
  const GstStructure* s = gst_caps_get_structure(caps, 0);
  const bool known = gst_structure_get_int(s, "width", width) &&
                     gst_structure_get_int(s, "height", height);
  gst_caps_unref(caps);
  return known;
}

}  // namespace platform
