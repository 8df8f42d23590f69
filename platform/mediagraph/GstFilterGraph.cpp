#include "platform/mediagraph/GstFilterGraph.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/mediagraph/FilterEnum.h"
#include "platform/mediagraph/RendererFilter.h"
#include "platform/mediagraph/SourceFilter.h"

namespace platform {

namespace {

bool IsRegularFile(const std::string& path) {
  std::error_code error;
  // Anything else (a FIFO above all) could block filesrc inside a state change for ever.
  return std::filesystem::is_regular_file(std::filesystem::path(path), error);
}

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
  join_.reset();
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
  else if (iid == IID_IMediaEvent) *object = static_cast<IMediaEvent*>(this);
  else if (iid == IID_IMediaSeeking) *object = static_cast<IMediaSeeking*>(this);
  else if (iid == IID_IBasicVideo) *object = static_cast<IBasicVideo*>(this);
  else if (iid == IID_IVideoWindow) *object = static_cast<IVideoWindow*>(this);
  else if (iid == IID_IGaplessQueue) *object = static_cast<IGaplessQueue*>(this);
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
  // The element follows the pipeline, whatever state a failed build left it in.
  gst_element_sync_state_with_parent(filter->Element());
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
  // Joined files hang on the renderer's concat: they go with it.
  if (join_ && filter == JoinableRenderer()) join_.reset();
  // Tearing out a source or a decoder ends the streams: the graph goes back to not rendered,
  // which also stops its threads before they could run into half-removed elements.
  if (filter->FeedsOthers() && state_.Live()) Unlive();
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
  state_.Edited();
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

HRESULT TGstFilterGraph::AddSourceFilter(LPCSTR file, LPCWSTR filterName, IBaseFilter** filter) {
  if (file == nullptr || filter == nullptr) return E_POINTER;
  *filter = nullptr;
  DrainBus();
  const std::string path = file;
  if (!IsRegularFile(path)) return VFW_E_NOT_FOUND_FILE;
  ComPtr<TSourceFilter> source = TSourceFilter::Create(path);
  if (!source) return E_FAIL;
  // The filter is named after the file as far as its name reads as UTF-8; only the label is
  // converted, the source keeps the path's own bytes.
  const HRESULT hr =
      AddFilterAs(source.Get(), filterName != nullptr ? filterName : WideFromUtf8(path));
  if (FAILED(hr)) return hr;
  *filter = source.Detach();
  return S_OK;
}

HRESULT TGstFilterGraph::RenderFile(LPCSTR file, LPCWSTR /*playList*/) {
  if (file == nullptr) return E_POINTER;
  if (state_.Running()) return VFW_E_NOT_STOPPED;
  ComPtr<IBaseFilter> source;
  HRESULT hr = AddSourceFilter(file, nullptr, source.Put());
  if (FAILED(hr)) return hr;
  // The source stays for a second attempt after a sink failed: a new source added after a
  // failed attempt was at times pulled by the new decoder before its pin was activated.
  auto* ours = static_cast<TGstFilter*>(source.Get());
  ComPtr<TGstPin> output = ours->Pins().front();
  hr = Build([&] { return RenderPin(output.Get(), nullptr); });
  if (FAILED(hr)) RemoveFilterFromGraph(ours);
  return hr;
}

HRESULT TGstFilterGraph::Render(IPin* output) {
  if (output == nullptr) return E_POINTER;
  TGstPin* pin = OurPin(output);
  if (pin == nullptr) return VFW_E_NOT_IN_GRAPH;
  if (GST_PAD_DIRECTION(pin->Pad()) != GST_PAD_SRC) return E_INVALIDARG;
  if (pin->IsConnected()) return VFW_E_ALREADY_CONNECTED;
  if (state_.Running()) return VFW_E_NOT_STOPPED;
  return Build([&] { return RenderPin(pin, nullptr); });
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
  if (state_.Running()) return VFW_E_NOT_STOPPED;

  GstCaps* caps = gst_pad_get_current_caps(out->Pad());
  const bool raw = caps != nullptr && IsRawCaps(caps);
  if (caps != nullptr) gst_caps_unref(caps);
  if (!raw) {
    // Compressed or not yet known: a decoder goes in between, feeding only this input.
    const HRESULT hr = Build([&] { return RenderPin(out, in->Pad()); });
    return FAILED(hr) ? VFW_E_CANNOT_CONNECT : hr;
  }
  if (!ConnectPads(out->Pad(), in->Pad())) return VFW_E_CANNOT_CONNECT;
  return state_.Live() ? RepreparePipeline() : S_OK;
}

// ---- IGaplessQueue ----

HRESULT TGstFilterGraph::SetGapless(bool on) {
  gapless_ = on;
  if (!on && join_) join_->Drop();
  return S_OK;
}

// Only a graph that renders one audio stream through a joinable renderer, and nothing else.
HRESULT TGstFilterGraph::QueueFile(LPCSTR file) {
  if (file == nullptr) return E_POINTER;
  DrainBus();
  TRendererFilter* renderer = JoinableRenderer();
  if (!gapless_ || !state_.Live() || renderer == nullptr || VideoRenderer() != nullptr ||
      !IsRegularFile(file))
    return E_FAIL;
  if (!join_) join_ = std::make_unique<TGaplessJoin>(pipeline_, renderer);
  return join_->Queue(file) ? S_OK : E_FAIL;
}

// S_FALSE: the output had moved on to the queued file; the current one can no longer be sought.
HRESULT TGstFilterGraph::ClearQueued() {
  DrainBus();
  return !join_ || join_->Drop() ? S_OK : S_FALSE;
}

TRendererFilter* TGstFilterGraph::JoinableRenderer() const {
  for (const ComPtr<TGstFilter>& f : filters_) {
    auto* renderer = dynamic_cast<TRendererFilter*>(f.Get());
    if (renderer != nullptr && renderer->Join() != nullptr) return renderer;
  }
  return nullptr;
}

// Paused, the running time stands where the pipeline paused.
GstClockTime TGstFilterGraph::RunningTime() const {
  if (!state_.Running()) return gst_element_get_start_time(pipeline_);
  return gst_element_get_current_running_time(pipeline_);
}

// A queued file that failed goes; one that became audible makes the positions its own.
void TGstFilterGraph::CheckAdvance() {
  if (!join_) return;
  if (join_->QueuedFailed()) {
    join_->Drop();
    QueueEvent(EC_QUEUED_DROPPED, S_OK);
  }
  if (!state_.Running() || !join_->Advanced(RunningTime())) return;
  position_.Started();
  position_.Running();
  QueueEvent(EC_QUEUED_STARTED, S_OK);
}

}  // namespace platform
