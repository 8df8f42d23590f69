#include "platform/MediaGraphGst.h"

#include <gst/pbutils/missing-plugins.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace platform {
namespace {

constexpr gint64 kBuildTimeoutUs = 10 * G_USEC_PER_SEC;    // RenderFile/Render: never a hang
constexpr gint64 kPrerollTimeoutUs = 5 * G_USEC_PER_SEC;   // seeks and re-routing
constexpr GstClockTime kBusSlice = 50 * GST_MSECOND;

bool IsRegularFile(const std::string& path) {
  std::error_code error;
  // Anything else (a FIFO above all) could block filesrc inside a state change for ever.
  return std::filesystem::is_regular_file(std::filesystem::path(path), error);
}

bool CapsFit(GstPad* output, GstPad* input) {
  GstCaps* have = gst_pad_get_current_caps(output);
  if (have == nullptr) return true;  // not negotiated yet: linking decides
  GstCaps* take = gst_pad_query_caps(input, nullptr);
  const bool fit = gst_caps_can_intersect(have, take);
  gst_caps_unref(take);
  gst_caps_unref(have);
  return fit;
}

gint64 Deadline(gint64 timeoutUs) { return g_get_monotonic_time() + timeoutUs; }

}  // namespace

ComPtr<TGstFilterGraph> TGstFilterGraph::Create(const TSinkOptions& sinks) {
  GstElement* pipeline = gst_pipeline_new(nullptr);
  if (pipeline == nullptr) return {};
  return ComPtr<TGstFilterGraph>::Attach(new TGstFilterGraph(pipeline, sinks));
}

TGstFilterGraph::TGstFilterGraph(GstElement* pipeline, const TSinkOptions& sinks)
    : pipeline_(static_cast<GstElement*>(gst_object_ref_sink(pipeline))),
      bus_(gst_pipeline_get_bus(GST_PIPELINE(pipeline))),
      sinks_(sinks) {}

TGstFilterGraph::~TGstFilterGraph() {
  // NULL joins the streaming threads and releases blocked pads before anything is freed.
  gst_element_set_state(pipeline_, GST_STATE_NULL);
  gst_bus_set_flushing(bus_, TRUE);
  for (const ComPtr<TGstFilter>& filter : filters_) filter->Left();
  filters_.clear();
  gst_object_unref(bus_);
  gst_object_unref(pipeline_);
}

HRESULT TGstFilterGraph::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (iid == IID_IUnknown || iid == IID_IGraphBuilder) *object = static_cast<IGraphBuilder*>(this);
  else if (iid == IID_IMediaControl) *object = static_cast<IMediaControl*>(this);
  else if (iid == IID_IMediaSeeking) *object = static_cast<IMediaSeeking*>(this);
  else if (iid == IID_IBasicVideo) *object = static_cast<IBasicVideo*>(this);
  else if (iid == IID_IVideoWindow) *object = static_cast<IVideoWindow*>(this);
  else return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

// ---- membership ----

TGstFilter* TGstFilterGraph::OurFilter(IBaseFilter* filter) const {
  for (const ComPtr<TGstFilter>& f : filters_)
    if (static_cast<IBaseFilter*>(f.Get()) == filter) return f.Get();
  return nullptr;
}

TGstPin* TGstFilterGraph::OurPin(IPin* pin) const {
  auto* ours = dynamic_cast<TGstPin*>(pin);
  return ours != nullptr && ours->Filter()->Graph() == this ? ours : nullptr;
}

TGstFilter* TGstFilterGraph::FilterOfElement(GstElement* element) const {
  for (const ComPtr<TGstFilter>& f : filters_)
    if (f->Element() == element) return f.Get();
  return nullptr;
}

ComPtr<TGstPin> TGstFilterGraph::PinOfPad(GstPad* pad) {
  GstObject* parent = gst_pad_get_parent(pad);
  if (parent == nullptr) return {};
  TGstFilter* filter = GST_IS_ELEMENT(parent) ? FilterOfElement(GST_ELEMENT(parent)) : nullptr;
  gst_object_unref(parent);
  return filter != nullptr ? filter->PinFor(pad) : ComPtr<TGstPin>();
}

HRESULT TGstFilterGraph::AddFilterAs(TGstFilter* filter, const std::u16string& requested) {
  auto taken = [&](const std::u16string& name) {
    return std::any_of(filters_.begin(), filters_.end(),
                       [&](const ComPtr<TGstFilter>& f) { return f->Name() == name; });
  };
  std::u16string name = requested;
  HRESULT result = S_OK;
  // Names are unique in a graph: a second "Video Renderer" becomes "Video Renderer 0001".
  for (int n = 1; taken(name) && n < 10000; ++n) {
    char suffix[8];
    std::snprintf(suffix, sizeof suffix, " %04d", n);
    name = requested + WideFromUtf8(suffix);
    result = VFW_S_DUPLICATE_NAME;
  }
  if (taken(name)) return VFW_E_DUPLICATE_NAME;
  filters_.emplace_back(filter);
  ++version_;
  filter->Joined(this, name);
  if (adding_ != nullptr) adding_->emplace_back(filter);
  SyncMembership(filter);
  return result;
}

bool TGstFilterGraph::InPipeline(TGstFilter* filter) const {
  return GST_OBJECT_PARENT(filter->Element()) == GST_OBJECT(pipeline_);
}

bool TGstFilterGraph::AddToPipeline(TGstFilter* filter) {
  if (InPipeline(filter)) return true;
  if (!gst_bin_add(GST_BIN(pipeline_), filter->Element())) return false;
  if (live_) gst_element_sync_state_with_parent(filter->Element());
  return true;
}

void TGstFilterGraph::LeavePipeline(TGstFilter* filter) {
  if (!InPipeline(filter)) return;
  GstElement* element = filter->Element();
  gst_element_set_locked_state(element, TRUE);
  gst_element_set_state(element, GST_STATE_NULL);
  gst_bin_remove(GST_BIN(pipeline_), element);
  gst_element_set_locked_state(element, FALSE);
}

void TGstFilterGraph::SyncMembership(TGstFilter* filter) {
  if (filter->WantsPipeline()) AddToPipeline(filter);
  else LeavePipeline(filter);
}

// ---- IGraphBuilder ----

HRESULT TGstFilterGraph::AddFilter(IBaseFilter* filter, LPCWSTR name) {
  DrainBus();
  auto* ours = dynamic_cast<TGstFilter*>(filter);
  if (ours == nullptr) return filter == nullptr ? E_POINTER : E_NOINTERFACE;
  if (ours->Graph() != nullptr) return E_INVALIDARG;  // already in a graph
  return AddFilterAs(ours, name != nullptr ? std::u16string(name) : u"Filter");
}

HRESULT TGstFilterGraph::RemoveFilter(IBaseFilter* filter) {
  DrainBus();
  TGstFilter* ours = OurFilter(filter);
  if (ours == nullptr) return VFW_E_NOT_FOUND;
  RemoveFilterFromGraph(ours);
  return S_OK;
}

void TGstFilterGraph::RemoveFilterFromGraph(TGstFilter* filter) {
  ComPtr<TGstFilter> keep(filter);
  // Tearing out a source or a decoder ends the streams: the graph goes back to not rendered,
  // which also stops its threads before they could run into half-removed elements.
  if (filter->FeedsOthers() && live_) Unlive();
  for (const ComPtr<TGstPin>& pin : filter->Pins()) {
    GstPad* pad = pin->Pad();
    GstPad* peer = gst_pad_get_peer(pad);
    if (peer == nullptr) continue;
    if (GST_PAD_DIRECTION(pad) == GST_PAD_SRC) gst_pad_unlink(pad, peer);
    else gst_pad_unlink(peer, pad);
    gst_object_unref(peer);
  }
  LeavePipeline(filter);
  filters_.erase(std::remove_if(filters_.begin(), filters_.end(),
                                [&](const ComPtr<TGstFilter>& f) { return f.Get() == filter; }),
                 filters_.end());
  ++version_;
  filter->Left();
  TidyRenderers();
  // A prerolled sink taken out flushed the streams upstream: they must be sought again.
  if (live_) needsReseek_ = true;
}

// Renderers left without a stream (their upstream was removed, or a decoder dropped its outputs
// when the graph stopped) give up what sits behind those inputs and leave the pipeline.
void TGstFilterGraph::TidyRenderers() {
  for (const ComPtr<TGstFilter>& f : Filters()) {
    if (!f->IsRenderer()) continue;
    for (const ComPtr<TGstPin>& pin : f->Pins())
      if (GST_PAD_DIRECTION(pin->Pad()) == GST_PAD_SINK && !pin->IsConnected())
        f->InputReleased(pin->Pad());
    SyncMembership(f.Get());
  }
}

HRESULT TGstFilterGraph::EnumFilters(IEnumFilters** filters) {
  if (filters == nullptr) return E_POINTER;
  DrainBus();
  *filters = new TFilterEnum(this);
  return S_OK;
}

HRESULT TGstFilterGraph::FindFilterByName(LPCWSTR name, IBaseFilter** filter) {
  if (name == nullptr || filter == nullptr) return E_POINTER;
  *filter = nullptr;
  for (const ComPtr<TGstFilter>& f : filters_) {
    if (f->Name() == name) {
      *filter = ComPtr<TGstFilter>(f).Detach();
      return S_OK;
    }
  }
  return VFW_E_NOT_FOUND;
}

HRESULT TGstFilterGraph::AddSourceFilter(LPCWSTR file, LPCWSTR filterName, IBaseFilter** filter) {
  if (file == nullptr || filter == nullptr) return E_POINTER;
  *filter = nullptr;
  DrainBus();
  const std::string path = Utf8FromWide(file);
  if (!IsRegularFile(path)) return VFW_E_NOT_FOUND_FILE;
  ComPtr<TSourceFilter> source = TSourceFilter::Create(path);
  if (!source) return E_FAIL;
  const HRESULT hr = AddFilterAs(source.Get(), filterName != nullptr ? filterName : file);
  if (FAILED(hr)) return hr;
  *filter = source.Detach();
  return S_OK;
}

HRESULT TGstFilterGraph::RenderFile(LPCWSTR file, LPCWSTR /*playList*/) {
  if (file == nullptr) return E_POINTER;
  if (state_ == State_Running) return VFW_E_NOT_STOPPED;
  std::vector<ComPtr<TGstFilter>> added;
  adding_ = &added;
  ComPtr<IBaseFilter> source;
  HRESULT hr = AddSourceFilter(file, file, source.Put());
  if (SUCCEEDED(hr)) {
    ComPtr<TGstPin> output = static_cast<TGstFilter*>(source.Get())->Pins().front();
    hr = RenderPin(output.Get(), nullptr);
  }
  adding_ = nullptr;
  if (FAILED(hr)) UndoBuild(added);
  return hr;
}

HRESULT TGstFilterGraph::Render(IPin* output) {
  if (output == nullptr) return E_POINTER;
  TGstPin* pin = OurPin(output);
  if (pin == nullptr) return VFW_E_NOT_IN_GRAPH;
  if (GST_PAD_DIRECTION(pin->Pad()) != GST_PAD_SRC) return E_INVALIDARG;
  if (pin->IsConnected()) return VFW_E_ALREADY_CONNECTED;
  if (state_ == State_Running) return VFW_E_NOT_STOPPED;
  std::vector<ComPtr<TGstFilter>> added;
  adding_ = &added;
  const HRESULT hr = RenderPin(pin, nullptr);
  adding_ = nullptr;
  if (FAILED(hr)) UndoBuild(added);
  return hr;
}

HRESULT TGstFilterGraph::Connect(IPin* output, IPin* input) {
  if (output == nullptr || input == nullptr) return E_POINTER;
  DrainBus();
  TGstPin* out = OurPin(output);
  TGstPin* in = OurPin(input);
  if (out == nullptr || in == nullptr) return VFW_E_NOT_IN_GRAPH;
  if (GST_PAD_DIRECTION(out->Pad()) != GST_PAD_SRC || GST_PAD_DIRECTION(in->Pad()) != GST_PAD_SINK)
    return E_INVALIDARG;
  if (out->IsConnected() || in->IsConnected()) return VFW_E_ALREADY_CONNECTED;
  if (state_ == State_Running) return VFW_E_NOT_STOPPED;

  GstCaps* caps = gst_pad_get_current_caps(out->Pad());
  const bool raw = caps != nullptr && IsRawCaps(caps);
  if (caps != nullptr) gst_caps_unref(caps);
  if (!raw) {
    // Compressed or not yet known: a decoder goes in between, feeding only this input.
    std::vector<ComPtr<TGstFilter>> added;
    adding_ = &added;
    const HRESULT hr = RenderPin(out, in->Pad());
    adding_ = nullptr;
    if (FAILED(hr)) UndoBuild(added);
    return FAILED(hr) ? VFW_E_CANNOT_CONNECT : hr;
  }
  if (!ConnectPads(out->Pad(), in->Pad())) return VFW_E_CANNOT_CONNECT;
  return live_ ? RepreparePipeline() : S_OK;
}

// ---- building ----

HRESULT TGstFilterGraph::RenderPin(TGstPin* pin, GstPad* onlyTo) {
  GstCaps* caps = gst_pad_get_current_caps(pin->Pad());
  const bool raw = caps != nullptr && IsRawCaps(caps);
  if (caps != nullptr) gst_caps_unref(caps);
  if (raw) {
    // Already decoded (a pin left free by a removed renderer): straight to a renderer.
    const bool linked = onlyTo != nullptr ? ConnectPads(pin->Pad(), onlyTo) : RoutePad(pin->Pad());
    if (!linked) return VFW_E_CANNOT_RENDER;
    return live_ ? RepreparePipeline() : S_OK;
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
  errorSeen_ = false;
  partial_ = false;
  if (!live_) {
    durationNs_ = -1;
    if (gst_element_set_state(pipeline_, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE) {
      DrainBus();
      return VFW_E_CANNOT_RENDER;
    }
    live_ = true;
  } else {
    gst_element_sync_state_with_parent(decoder->Element());
  }
  GstPad* wanted = onlyTo;  // becomes null once a stream went to it
  for (;;) {
    RouteParkedPads(decoder, &wanted);
    if (errorSeen_) return VFW_E_CANNOT_RENDER;
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
    const gint64 left = deadline - g_get_monotonic_time();
    if (left <= 0) return VFW_E_TIMEOUT;
    GstMessage* message =
        gst_bus_timed_pop(bus_, std::min<GstClockTime>(kBusSlice, left * GST_USECOND));
    if (message != nullptr) {
      HandleMessage(message);
      gst_message_unref(message);
    }
  }
  if (wanted != nullptr) return VFW_E_CANNOT_CONNECT;
  lastPosition_ = 0;
  pendingSeek_.reset();
  ended_ = false;
  for (const ComPtr<TGstFilter>& f : filters_) f->Prerolled();
  NotifyRunState();
  return partial_ ? VFW_S_PARTIAL_RENDER : S_OK;
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
  for (const ComPtr<TGstFilter>& f : filters_) {
    if (!f->IsRenderer()) continue;
    if (GstPad* input = f->FreeInputFor(kind)) return ConnectPads(pad, input);
  }
  ComPtr<TRendererFilter> renderer = TRendererFilter::Create(kind, sinks_);
  if (!renderer || FAILED(AddFilterAs(renderer.Get(), TRendererFilter::NameFor(kind)))) return false;
  GstPad* input = renderer->FreeInputFor(kind);
  return input != nullptr && ConnectPads(pad, input);
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
  if (live_) gst_element_sync_state_with_parent(target->Element());
  return true;
}

// After edits on a prerolled graph the streams were flushed: seek them again to where they were
// and wait (bounded) until every renderer has prerolled.
HRESULT TGstFilterGraph::RepreparePipeline() {
  needsReseek_ = false;
  const GstSeekFlags flags = static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE);
  if (!gst_element_seek_simple(pipeline_, GST_FORMAT_TIME, flags, lastPosition_ * 100))
    return E_FAIL;
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
  errorSeen_ = false;
  needsReseek_ = false;
}

void TGstFilterGraph::Unlive() {
  gst_element_set_state(pipeline_, GST_STATE_NULL);
  live_ = false;
  needsReseek_ = false;
  ended_ = false;
  pendingSeek_.reset();
  lastPosition_ = 0;
  durationNs_ = -1;
}

// ---- the bus ----

void TGstFilterGraph::DrainBus() {
  while (GstMessage* message = gst_bus_pop(bus_)) {
    HandleMessage(message);
    gst_message_unref(message);
  }
}

void TGstFilterGraph::HandleMessage(GstMessage* message) {
  const bool fromPipeline = GST_MESSAGE_SRC(message) == GST_OBJECT(pipeline_);
  switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_ERROR:
      errorSeen_ = true;
      // A stream that fails while playing has ended: the engine moves on instead of waiting.
      if (state_ == State_Running) ended_ = true;
      break;
    case GST_MESSAGE_EOS:
      if (fromPipeline) ended_ = true;
      break;
    case GST_MESSAGE_ASYNC_DONE:
      if (fromPipeline) pendingSeek_.reset();
      break;
    case GST_MESSAGE_DURATION_CHANGED:
      durationNs_ = -1;
      break;
    case GST_MESSAGE_CLOCK_LOST:
      if (state_ == State_Running) {
        gst_element_set_state(pipeline_, GST_STATE_PAUSED);
        gst_element_set_state(pipeline_, GST_STATE_PLAYING);
      }
      break;
    case GST_MESSAGE_LATENCY:
      gst_bin_recalculate_latency(GST_BIN(pipeline_));
      break;
    case GST_MESSAGE_ELEMENT:
      if (gst_is_missing_plugin_message(message)) partial_ = true;
      break;
    default:
      break;
  }
}

HRESULT TGstFilterGraph::WaitForPreroll(gint64 timeoutUs) {
  const gint64 deadline = Deadline(timeoutUs);
  errorSeen_ = false;
  for (;;) {
    DrainBus();
    if (errorSeen_) return E_FAIL;
    const GstStateChangeReturn r = gst_element_get_state(pipeline_, nullptr, nullptr, 0);
    if (r == GST_STATE_CHANGE_FAILURE) return E_FAIL;
    if (r != GST_STATE_CHANGE_ASYNC) {
      pendingSeek_.reset();
      return S_OK;
    }
    const gint64 left = deadline - g_get_monotonic_time();
    if (left <= 0) return VFW_E_TIMEOUT;
    GstMessage* message =
        gst_bus_timed_pop(bus_, std::min<GstClockTime>(kBusSlice, left * GST_USECOND));
    if (message != nullptr) {
      HandleMessage(message);
      gst_message_unref(message);
    }
  }
}

// ---- IMediaControl ----

HRESULT TGstFilterGraph::SetPipelineState(GstState state) {
  if (!live_) return S_OK;  // nothing rendered: the state is only remembered
  if (needsReseek_ && FAILED(RepreparePipeline())) return E_FAIL;
  return gst_element_set_state(pipeline_, state) == GST_STATE_CHANGE_FAILURE ? E_FAIL : S_OK;
}

void TGstFilterGraph::NotifyRunState() {
  for (const ComPtr<TGstFilter>& f : filters_) f->RunStateChanged(state_);
}

// The graph counts as being in the new state even when the pipeline refused it, as the
// caller is told through the result.
HRESULT TGstFilterGraph::EnterState(GstState pipelineState, OAFilterState graphState) {
  DrainBus();
  const HRESULT hr = SetPipelineState(pipelineState);
  state_ = graphState;
  NotifyRunState();
  return hr;
}

HRESULT TGstFilterGraph::Run() { return EnterState(GST_STATE_PLAYING, State_Running); }

HRESULT TGstFilterGraph::Pause() { return EnterState(GST_STATE_PAUSED, State_Paused); }

HRESULT TGstFilterGraph::Stop() {
  DrainBus();
  // Stopping a running graph holds the position it had when Stop was called (a seek just made
  // counts): the renderers are flushed there, and Run resumes from it. Without this the sinks
  // would go on consuming a buffer while pausing.
  LONGLONG hold = 0;
  LONGLONG end = 0;
  const bool holdPosition = state_ == State_Running && live_ && !ended_ &&
                            SUCCEEDED(GetPositions(&hold, &end));
  // Stopped is prerolled PAUSED here: READY would drop the decoder's streams and positions.
  HRESULT hr = SetPipelineState(GST_STATE_PAUSED);
  state_ = State_Stopped;
  if (SUCCEEDED(hr) && holdPosition) hr = SeekTo(hold);
  NotifyRunState();
  return hr;
}

HRESULT TGstFilterGraph::GetState(long, OAFilterState* state) {
  if (state == nullptr) return E_POINTER;
  DrainBus();
  *state = state_;
  return S_OK;
}

// ---- IMediaSeeking (media time: 100 ns = GStreamer nanoseconds / 100) ----

bool TGstFilterGraph::StopTime(int64_t* stop) {
  if (durationNs_ < 0) {
    gint64 ns = -1;
    if (live_ && gst_element_query_duration(pipeline_, GST_FORMAT_TIME, &ns) && ns >= 0)
      durationNs_ = ns;
  }
  if (durationNs_ < 0) return false;
  *stop = durationNs_ / 100;
  return true;
}

HRESULT TGstFilterGraph::SetTimeFormat(const GUID* format) {
  if (format == nullptr) return E_POINTER;
  return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : E_INVALIDARG;
}

HRESULT TGstFilterGraph::GetDuration(LONGLONG* duration) { return GetStopPosition(duration); }

HRESULT TGstFilterGraph::GetStopPosition(LONGLONG* stop) {
  if (stop == nullptr) return E_POINTER;
  DrainBus();
  if (!live_) return filters_.empty() ? E_NOTIMPL : VFW_E_WRONG_STATE;
  int64_t value = 0;
  if (!StopTime(&value)) return E_FAIL;
  *stop = value;
  return S_OK;
}

HRESULT TGstFilterGraph::GetCurrentPosition(LONGLONG* current) {
  LONGLONG stop = 0;
  return GetPositions(current, &stop);
}

HRESULT TGstFilterGraph::GetPositions(LONGLONG* current, LONGLONG* stop) {
  if (current == nullptr || stop == nullptr) return E_POINTER;
  DrainBus();
  if (!live_) return filters_.empty() ? E_NOTIMPL : VFW_E_WRONG_STATE;
  int64_t end = 0;
  const bool haveEnd = StopTime(&end);
  if (ended_) {
    // The same expression as the stop position: exact equality is how the end is seen.
    *current = haveEnd ? end : lastPosition_;
    *stop = haveEnd ? end : lastPosition_;
    return S_OK;
  }
  if (!haveEnd) return E_FAIL;
  if (pendingSeek_) {
    lastPosition_ = *pendingSeek_;
  } else {
    gint64 ns = -1;
    if (gst_element_query_position(pipeline_, GST_FORMAT_TIME, &ns) && ns >= 0)
      lastPosition_ = std::clamp<int64_t>(ns / 100, 0, end);
  }
  *current = lastPosition_;
  *stop = end;
  return S_OK;
}

HRESULT TGstFilterGraph::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                                      DWORD stopFlags) {
  (void)stop;
  DrainBus();
  if ((stopFlags & AM_SEEKING_PositioningBitsMask) != AM_SEEKING_NoPositioning) return E_NOTIMPL;
  const DWORD how = currentFlags & AM_SEEKING_PositioningBitsMask;
  if (how == AM_SEEKING_NoPositioning) return S_OK;
  if (current == nullptr) return E_POINTER;
  if (!live_) return filters_.empty() ? E_NOTIMPL : VFW_E_WRONG_STATE;
  int64_t target = *current;
  if (how == AM_SEEKING_RelativePositioning) {
    LONGLONG now = 0;
    if (FAILED(GetCurrentPosition(&now))) return E_FAIL;
    target = now > 0 && target > INT64_MAX - now ? INT64_MAX : now + target;
  } else if (how != AM_SEEKING_AbsolutePositioning) {
    return E_INVALIDARG;
  }
  return SeekTo(target);
}

// Before the start means the start; at or past the end means ended at once, at the end.
HRESULT TGstFilterGraph::SeekTo(int64_t target) {
  int64_t end = 0;
  const bool haveEnd = StopTime(&end);
  target = std::max<int64_t>(target, 0);
  if (haveEnd && target >= end && end > 0) {
    target = end;
    ended_ = true;
  } else {
    ended_ = false;
  }
  needsReseek_ = false;
  const GstSeekFlags flags = static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE);
  if (!gst_element_seek_simple(pipeline_, GST_FORMAT_TIME, flags, target * 100)) return E_FAIL;
  lastPosition_ = target;
  pendingSeek_ = target;
  // While stopped or paused the seek completes here, so positions read next are settled.
  if (state_ != State_Running) return WaitForPreroll(kPrerollTimeoutUs);
  return S_OK;
}

// ---- IBasicVideo and IVideoWindow: answered by the video renderer in the graph ----

TRendererFilter* TGstFilterGraph::VideoRenderer() const {
  for (const ComPtr<TGstFilter>& f : filters_) {
    auto* renderer = dynamic_cast<TRendererFilter*>(f.Get());
    if (renderer != nullptr && renderer->Kind() == TMediaKind::Video) return renderer;
  }
  return nullptr;
}

TVideoWindowHost* TGstFilterGraph::VideoWindow() const {
  TRendererFilter* renderer = VideoRenderer();
  return renderer != nullptr ? renderer->Window() : nullptr;
}

HRESULT TGstFilterGraph::get_SourceWidth(long* width) {
  if (width == nullptr) return E_POINTER;
  TRendererFilter* renderer = VideoRenderer();
  if (renderer == nullptr) return E_NOINTERFACE;
  int w = 0;
  int h = 0;
  if (!renderer->VideoSize(&w, &h)) return VFW_E_NOT_CONNECTED;
  *width = w;
  return S_OK;
}

HRESULT TGstFilterGraph::get_SourceHeight(long* height) {
  if (height == nullptr) return E_POINTER;
  TRendererFilter* renderer = VideoRenderer();
  if (renderer == nullptr) return E_NOINTERFACE;
  int w = 0;
  int h = 0;
  if (!renderer->VideoSize(&w, &h)) return VFW_E_NOT_CONNECTED;
  *height = h;
  return S_OK;
}

HRESULT TGstFilterGraph::put_Owner(OAHWND owner) {
  TVideoWindowHost* window = VideoWindow();
  if (window == nullptr) return E_NOINTERFACE;
  window->SetOwner(owner);
  return S_OK;
}

HRESULT TGstFilterGraph::put_WindowStyle(long style) {
  TVideoWindowHost* window = VideoWindow();
  if (window == nullptr) return E_NOINTERFACE;
  window->SetStyle(style);
  return S_OK;
}

HRESULT TGstFilterGraph::SetWindowPosition(long left, long top, long width, long height) {
  TVideoWindowHost* window = VideoWindow();
  if (window == nullptr) return E_NOINTERFACE;
  window->SetGeometry(left, top, width, height);
  return S_OK;
}

HRESULT TGstFilterGraph::GetWindowPosition(long* left, long* top, long* width, long* height) {
  if (left == nullptr || top == nullptr || width == nullptr || height == nullptr) return E_POINTER;
  TVideoWindowHost* window = VideoWindow();
  if (window == nullptr) return E_NOINTERFACE;
  window->Geometry(left, top, width, height);
  return S_OK;
}

}  // namespace platform
