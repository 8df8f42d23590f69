#include "platform/mediagraph/RendererFilter.h"

#include "platform/mediagraph/ChainBin.h"
#include "platform/mediagraph/GstPin.h"

namespace platform {

const char16_t* TRendererFilter::NameFor(TMediaKind kind) {
  return kind == TMediaKind::Video ? u"Video Renderer" : u"Default DirectSound Device";
}

ComPtr<TRendererFilter> TRendererFilter::Create(TMediaKind kind, const TSinkOptions& sinks) {
  if (kind != TMediaKind::Video && kind != TMediaKind::Audio) return {};
  const bool video = kind == TMediaKind::Video;
  GstElement* sink = MakeSink(sinks, video ? TSinkRole::VideoRenderer : TSinkRole::AudioRenderer);
  std::unique_ptr<TVideoWindowHost> window;
  if (video) {
    window = std::make_unique<TVideoWindowHost>("ActiveMovie Window",
                                                sinks.kind == TSinkOptions::TKind::Real);
    window->AttachSink(sink);
  }
  GstElement* bin =
      video ? MakeChainBin({Make("videoconvert"), Make("videoscale"), sink}, "Input", nullptr)
            : MakeChainBin({Make("audioconvert"), Make("audioresample"), sink},
                           "Audio Input pin (rendered)", nullptr);
  if (bin == nullptr) return {};
  return ComPtr<TRendererFilter>::Attach(new TRendererFilter(bin, kind, std::move(window)));
}

TRendererFilter::TRendererFilter(GstElement* element, TMediaKind kind,
                                 std::unique_ptr<TVideoWindowHost> window)
    : TGstFilter(element), kind_(kind), window_(std::move(window)) {}

GstPad* TRendererFilter::FreeInputFor(TMediaKind kind) {
  if (kind != kind_) return nullptr;
  for (const ComPtr<TGstPin>& pin : Pins()) {
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
