#include "platform/mediagraph/GstFilterGraph.h"

#include <algorithm>
#include <functional>

#include "platform/mediagraph/ConverterFilter.h"
#include "platform/mediagraph/DecoderFilter.h"
#include "platform/mediagraph/RendererFilter.h"

namespace platform {

namespace {

bool CapsFit(GstPad* output, GstPad* input) {
  GstCaps* have = gst_pad_get_current_caps(output);
  if (have == nullptr) return true;  // not negotiated yet: linking decides
  GstCaps* take = gst_pad_query_caps(input, nullptr);
  const bool fit = gst_caps_can_intersect(have, take);
  gst_caps_unref(take);
  gst_caps_unref(have);
  return fit;
}

}  // namespace

// One building call; when it fails, what it added goes again. A sink that failed may stand for a
// device that went away: the devices are probed again and the call is made once more.
HRESULT TGstFilterGraph::Build(const std::function<HRESULT()>& step) {
  for (int attempt = 0;; ++attempt) {
    std::vector<ComPtr<TGstFilter>> added;
    adding_ = &added;
    const HRESULT hr = step();
    // A state change that failed left its ERROR on the bus: read it before the undo drops it.
    if (FAILED(hr)) DrainBus();
    adding_ = nullptr;
    if (SUCCEEDED(hr)) return hr;
    const bool sinkFailed = state_.SinkFailed();
    UndoBuild(added);
    if (!sinkFailed || attempt > 0 || sinks_.kind != TSinkOptions::TKind::Real) return hr;
    ProbeOf(sinks_).Forget();
  }
}

HRESULT TGstFilterGraph::RenderPin(TGstPin* pin, GstPad* onlyTo) {
  GstCaps* caps = gst_pad_get_current_caps(pin->Pad());
  const bool raw = caps != nullptr && IsRawCaps(caps);
  if (caps != nullptr) gst_caps_unref(caps);
  if (raw) {
    // Already decoded (a pin left free by a removed renderer): straight to a renderer.
    const bool linked = onlyTo != nullptr ? ConnectPads(pin->Pad(), onlyTo) : RoutePad(pin->Pad());
    if (!linked) return VFW_E_CANNOT_RENDER;
    return state_.Live() ? RepreparePipeline() : S_OK;
  }
  ComPtr<TDecoderFilter> decoder = TDecoderFilter::Create();
  if (!decoder) return VFW_E_CANNOT_RENDER;
  if (FAILED(AddFilterAs(decoder.Get(), u"Decoder"))) return VFW_E_CANNOT_RENDER;
  GstPad* decoderInput = gst_element_get_static_pad(decoder->Element(), "sink");
  const bool linked = gst_pad_link(pin->Pad(), decoderInput) == GST_PAD_LINK_OK;
  gst_object_unref(decoderInput);
  if (!linked) return VFW_E_CANNOT_RENDER;
  return PrerollDecoder(decoder.Get(), onlyTo);
}

// Prerolls the graph while the decoder's streams appear, routing each one as it comes. Done
// means: no more pads, none waiting, and the pipeline fully PAUSED with nothing pending (the
// decoder's own preroll can finish before the renderers exist).
HRESULT TGstFilterGraph::PrerollDecoder(TDecoderFilter* decoder, GstPad* onlyTo) {
  const gint64 deadline = Deadline(kBuildTimeoutUs);
  state_.BuildStarted();
  if (!state_.Live()) {
    position_.Clear();
    if (gst_element_set_state(pipeline_, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE) {
      DrainBus();
      return VFW_E_CANNOT_RENDER;
    }
    state_.WentLive();
  } else {
    gst_element_sync_state_with_parent(decoder->Element());
  }
  GstPad* wanted = onlyTo;  // becomes null once a stream went to it
  for (;;) {
    RouteParkedPads(decoder, &wanted);
    if (state_.ErrorSeen()) return VFW_E_CANNOT_RENDER;
    if (decoder->NoMorePads()) {
      GstState current = GST_STATE_VOID_PENDING;
      GstState pending = GST_STATE_VOID_PENDING;
      const GstStateChangeReturn r = gst_element_get_state(pipeline_, &current, &pending, 0);
      if (r == GST_STATE_CHANGE_FAILURE) return VFW_E_CANNOT_RENDER;
      if ((r == GST_STATE_CHANGE_SUCCESS || r == GST_STATE_CHANGE_NO_PREROLL) &&
          current == GST_STATE_PAUSED && !decoder->HasParkedPads()) {
        break;
      }
    }
    if (!PumpBusUntil(deadline)) return VFW_E_TIMEOUT;
  }
  if (wanted != nullptr) return VFW_E_CANNOT_CONNECT;
  position_.Started();
  decoder->Built();
  for (const ComPtr<TGstFilter>& f : filters_) f->Prerolled();
  NotifyRunState();
  return state_.Partial() ? VFW_S_PARTIAL_RENDER : S_OK;
}

// onlyTo, when set, takes the first stream of its kind and is then used up.
void TGstFilterGraph::RouteParkedPads(TDecoderFilter* decoder, GstPad** onlyTo) {
  for (GstPad* pad : decoder->TakeParkedPads()) {
    if (*onlyTo != nullptr) {
      if (KindOfPad(pad) == KindOfPad(*onlyTo) && ConnectPads(pad, *onlyTo)) *onlyTo = nullptr;
    } else {
      RoutePad(pad);  // a stream no renderer takes stays unconnected, as DirectShow leaves it
    }
    decoder->Unblock(pad);
  }
}

// A decoded stream goes to the first renderer in the graph with a free input of its kind (so an
// external renderer added beforehand wins), else to a new default renderer.
bool TGstFilterGraph::RoutePad(GstPad* pad) {
  const TMediaKind kind = KindOfPad(pad);
  if (kind != TMediaKind::Video && kind != TMediaKind::Audio) return false;
  if (GstPad* input = FreeRendererInput(kind)) return ConnectPads(pad, input);
  ComPtr<TRendererFilter> renderer =
      TRendererFilter::Create(kind, sinks_, gapless_ && kind == TMediaKind::Audio);
  if (!renderer || FAILED(AddFilterAs(renderer.Get(), TRendererFilter::NameFor(kind)))) return false;
  GstPad* input = renderer->FreeInputFor(kind);
  return input != nullptr && ConnectPads(pad, input);
}

GstPad* TGstFilterGraph::FreeRendererInput(TMediaKind kind) const {
  for (const ComPtr<TGstFilter>& f : filters_) {
    if (!f->IsRenderer()) continue;
    if (GstPad* input = f->FreeInputFor(kind)) return input;
  }
  return nullptr;
}

// Streams that appear after a build (the next part of a chained stream, a program change) go to
// a renderer input of their kind that their predecessor left free; a new renderer would have to
// preroll in a running graph, so without a free input the stream is dropped.
void TGstFilterGraph::RouteLatePads() {
  for (const ComPtr<TGstFilter>& f : Filters()) {
    auto* decoder = dynamic_cast<TDecoderFilter*>(f.Get());
    if (decoder == nullptr || !decoder->HasParkedPads()) continue;
    for (GstPad* pad : decoder->TakeParkedPads()) {
      const TMediaKind kind = KindOfPad(pad);
      GstPad* input = kind == TMediaKind::Video || kind == TMediaKind::Audio
                          ? FreeRendererInput(kind)
                          : nullptr;
      if (input != nullptr) ConnectPads(pad, input);
      decoder->Unblock(pad);
    }
  }
}

// Links two pads of filters in the graph, with a converter between them when their formats do
// not meet. Both filters are in the pipeline afterwards, their states following it.
bool TGstFilterGraph::ConnectPads(GstPad* output, GstPad* input) {
  ComPtr<TGstPin> inPin = PinOfPad(input);
  if (!inPin) return false;
  TGstFilter* target = inPin->Filter();
  if (!target->PrepareInput(input)) return false;
  bool linked = false;
  if (AddToPipeline(target)) {
    if (CapsFit(output, input)) {
      linked = gst_pad_link(output, input) == GST_PAD_LINK_OK;
    } else {
      const TMediaKind kind = KindOfPad(output);
      ComPtr<TConverterFilter> converter = TConverterFilter::Create(kind);
      if (converter && SUCCEEDED(AddFilterAs(converter.Get(), TConverterFilter::NameFor(kind)))) {
        GstPad* convIn = gst_element_get_static_pad(converter->Element(), "Input");
        GstPad* convOut = gst_element_get_static_pad(converter->Element(), "Output");
        linked = gst_pad_link(output, convIn) == GST_PAD_LINK_OK &&
                 gst_pad_link(convOut, input) == GST_PAD_LINK_OK;
        gst_object_unref(convIn);
        gst_object_unref(convOut);
        if (!linked) RemoveFilterFromGraph(converter.Get());
      }
    }
  }
  if (!linked) {
    target->InputReleased(input);
    SyncMembership(target);
    return false;
  }
  if (state_.Live()) gst_element_sync_state_with_parent(target->Element());
  return true;
}

// After edits on a prerolled graph the streams were flushed: seek them again to where they were
// and wait (bounded) until every renderer has prerolled.
HRESULT TGstFilterGraph::RepreparePipeline() {
  state_.Resought();
  if (!SendSeek(position_.SeekSent(position_.Last()))) return E_FAIL;
  return WaitForPreroll(kPrerollTimeoutUs);
}

void TGstFilterGraph::UndoBuild(std::vector<ComPtr<TGstFilter>>& added) {
  Unlive();
  for (auto it = added.rbegin(); it != added.rend(); ++it)
    if ((*it)->Graph() == this) RemoveFilterFromGraph(it->Get());
  added.clear();
  // Whatever the failed build left on the bus belongs to it.
  gst_bus_set_flushing(bus_, TRUE);
  gst_bus_set_flushing(bus_, FALSE);
  state_.BuildUndone();
}

void TGstFilterGraph::Unlive() {
  gst_element_set_state(pipeline_, GST_STATE_NULL);
  join_.reset();
  state_.WentDown();
  position_.Clear();
}

}  // namespace platform
