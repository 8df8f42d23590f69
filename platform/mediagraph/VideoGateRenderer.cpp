#include "platform/mediagraph/VideoGateRenderer.h"

namespace platform {
namespace {

GstStaticPadTemplate kVideoTemplate =
    GST_STATIC_PAD_TEMPLATE("Video-In", GST_PAD_SINK, GST_PAD_ALWAYS, GST_STATIC_CAPS("video/x-raw"));
GstStaticPadTemplate kAudioTemplate =
    GST_STATIC_PAD_TEMPLATE("Audio-In", GST_PAD_SINK, GST_PAD_ALWAYS, GST_STATIC_CAPS("audio/x-raw"));

GstPad* AddInput(GstElement* bin, GstStaticPadTemplate* staticTemplate) {
  GstPadTemplate* templ = gst_static_pad_template_get(staticTemplate);
  GstPad* pad = gst_ghost_pad_new_no_target_from_template(staticTemplate->name_template, templ);
  gst_object_unref(templ);
  if (pad == nullptr || !gst_element_add_pad(bin, pad)) return nullptr;
  return pad;
}

}  // namespace

ComPtr<TVideoGateRenderer> TVideoGateRenderer::Create(const TSinkOptions& sinks) {
  GstElement* bin = gst_bin_new("VideoGate1000");
  if (bin == nullptr) return {};
  return ComPtr<TVideoGateRenderer>::Attach(new TVideoGateRenderer(bin, sinks));
}

TVideoGateRenderer::TVideoGateRenderer(GstElement* bin, const TSinkOptions& sinks)
    : TGstFilter(bin),
      sinks_(sinks),
      videoIn_(AddInput(Element(), &kVideoTemplate)),
      audioIn_(AddInput(Element(), &kAudioTemplate)),
      window_("VideoGate1000", sinks.kind == TSinkOptions::TKind::Real) {}

TVideoGateRenderer::~TVideoGateRenderer() {
  gst_element_set_state(Element(), GST_STATE_NULL);
}

GstPad* TVideoGateRenderer::FreeInputFor(TMediaKind kind) {
  GstPad* pad = kind == TMediaKind::Video ? videoIn_ : kind == TMediaKind::Audio ? audioIn_ : nullptr;
  return pad != nullptr && !gst_pad_is_linked(pad) ? pad : nullptr;
}

// queue ! converters ! sink, in a bin of its own with a ghost sink pad.
GstElement* TVideoGateRenderer::BuildBranch(bool video) {
  GstElement* branch = gst_bin_new(nullptr);
  GstElement* queue = gst_element_factory_make("queue", nullptr);
  GstElement* convert = gst_element_factory_make(video ? "videoconvert" : "audioconvert", nullptr);
  GstElement* scale = gst_element_factory_make(video ? "videoscale" : "audioresample", nullptr);
  GstElement* sink = MakeSink(sinks_, video ? TSinkRole::GateVideo : TSinkRole::GateAudio);
  bool ok = queue && convert && scale && sink;
  for (GstElement* e : {queue, convert, scale, sink}) {
    if (e == nullptr) continue;
    if (ok) gst_bin_add(GST_BIN(branch), e);
    else gst_object_unref(gst_object_ref_sink(e));
  }
  ok = ok && gst_element_link_many(queue, convert, scale, sink, nullptr);
  if (ok) {
    if (video) window_.AttachSink(sink);
    GstPad* target = gst_element_get_static_pad(queue, "sink");
    GstPad* ghost = gst_ghost_pad_new("sink", target);
    gst_object_unref(target);
    ok = ghost != nullptr && gst_element_add_pad(branch, ghost);
  }
  if (!ok) {
    gst_object_unref(gst_object_ref_sink(branch));
    return nullptr;
  }
  return branch;
}

bool TVideoGateRenderer::PrepareInput(GstPad* pad) {
  const bool video = pad == videoIn_;
  if (!video && pad != audioIn_) return false;
  GstElement** slot = video ? &videoBranch_ : &audioBranch_;
  if (*slot != nullptr) return true;
  GstElement* branch = BuildBranch(video);
  if (branch == nullptr || !gst_bin_add(GST_BIN(Element()), branch)) return false;
  GstPad* target = gst_element_get_static_pad(branch, "sink");
  const bool targeted = gst_ghost_pad_set_target(GST_GHOST_PAD(pad), target);
  gst_object_unref(target);
  *slot = branch;
  if (!targeted) {
    DropBranch(slot);
    return false;
  }
  // Already streaming (the other pin is connected): the new branch follows the bin's state.
  gst_element_sync_state_with_parent(branch);
  return true;
}

void TVideoGateRenderer::InputReleased(GstPad* pad) {
  if (pad != videoIn_ && pad != audioIn_) return;
  gst_ghost_pad_set_target(GST_GHOST_PAD(pad), nullptr);
  DropBranch(pad == videoIn_ ? &videoBranch_ : &audioBranch_);
}

void TVideoGateRenderer::DropBranch(GstElement** branch) {
  if (*branch == nullptr) return;
  gst_element_set_locked_state(*branch, TRUE);
  gst_element_set_state(*branch, GST_STATE_NULL);
  gst_bin_remove(GST_BIN(Element()), *branch);
  *branch = nullptr;
}

bool TVideoGateRenderer::WantsPipeline() const {
  return (videoIn_ != nullptr && gst_pad_is_linked(videoIn_)) ||
         (audioIn_ != nullptr && gst_pad_is_linked(audioIn_));
}

void TVideoGateRenderer::RunStateChanged(OAFilterState state) {
  if (videoBranch_ != nullptr && state != State_Stopped) window_.SetVisible(true);
}

}  // namespace platform
