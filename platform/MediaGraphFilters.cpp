#include "platform/MediaGraphFilters.h"

#include <algorithm>
#include <cstring>

#include "platform/MediaGraphGst.h"

namespace platform {
namespace {

// A bin holding elements linked in a row, its first sink pad and last source pad exposed as
// ghost pads with the given names (empty: none). Null when an element cannot be made or linked.
GstElement* MakeChainBin(std::initializer_list<GstElement*> chain, const char* sinkName,
                         const char* srcName) {
  bool complete = std::none_of(chain.begin(), chain.end(), [](GstElement* e) { return !e; });
  GstElement* bin = gst_bin_new(nullptr);
  for (GstElement* e : chain) {
    if (e == nullptr) continue;
    if (complete) gst_bin_add(GST_BIN(bin), e);
    else gst_object_unref(gst_object_ref_sink(e));
  }
  if (!complete) {
    gst_object_unref(gst_object_ref_sink(bin));
    return nullptr;
  }
  GstElement* previous = nullptr;
  for (GstElement* e : chain) {
    if (previous != nullptr && !gst_element_link(previous, e)) complete = false;
    previous = e;
  }
  auto expose = [&](GstElement* e, const char* padName, const char* ghostName) {
    GstPad* target = gst_element_get_static_pad(e, padName);
    if (target == nullptr) return false;
    // Pin names are given here: a pad that already has a parent cannot be renamed.
    GstPad* ghost = gst_ghost_pad_new(ghostName, target);
    gst_object_unref(target);
    return ghost != nullptr && gst_element_add_pad(bin, ghost);
  };
  if (complete && sinkName != nullptr) complete = expose(*chain.begin(), "sink", sinkName);
  if (complete && srcName != nullptr) complete = expose(*(chain.end() - 1), "src", srcName);
  if (!complete) {
    gst_object_unref(gst_object_ref_sink(bin));
    return nullptr;
  }
  return bin;
}

GstElement* Make(const char* factory) { return gst_element_factory_make(factory, nullptr); }

}  // namespace

TMediaKind KindOfCaps(const GstCaps* caps) {
  if (caps == nullptr || gst_caps_is_empty(caps) || gst_caps_is_any(caps)) return TMediaKind::Unknown;
  const char* name = gst_structure_get_name(gst_caps_get_structure(caps, 0));
  if (g_str_has_prefix(name, "video/")) return TMediaKind::Video;
  if (g_str_has_prefix(name, "audio/")) return TMediaKind::Audio;
  return TMediaKind::Other;
}

bool IsRawCaps(const GstCaps* caps) {
  if (caps == nullptr || gst_caps_is_empty(caps) || gst_caps_is_any(caps)) return false;
  const char* name = gst_structure_get_name(gst_caps_get_structure(caps, 0));
  return std::strcmp(name, "video/x-raw") == 0 || std::strcmp(name, "audio/x-raw") == 0;
}

TMediaKind KindOfPad(GstPad* pad) {
  GstCaps* caps = gst_pad_get_current_caps(pad);
  if (caps == nullptr) caps = gst_pad_query_caps(pad, nullptr);
  const TMediaKind kind = KindOfCaps(caps);
  if (caps != nullptr) gst_caps_unref(caps);
  return kind;
}

void CopyName(const std::u16string& name, WCHAR* field, size_t fieldSize) {
  const size_t n = std::min(name.size(), fieldSize - 1);
  std::copy_n(name.data(), n, field);
  field[n] = 0;
}

// ---- pins ----

TGstPin::TGstPin(TGstFilter* filter, GstPad* pad)
    : filter_(filter), pad_(static_cast<GstPad*>(gst_object_ref(pad))) {}

TGstPin::~TGstPin() {
  filter_->ForgetPin(pad_);
  gst_object_unref(pad_);
}

HRESULT TGstPin::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (!(iid == IID_IUnknown)) return E_NOINTERFACE;
  *object = static_cast<IPin*>(this);
  AddRef();
  return S_OK;
}

bool TGstPin::IsConnected() const { return gst_pad_is_linked(pad_); }

HRESULT TGstPin::ConnectedTo(IPin** pin) {
  if (pin == nullptr) return E_POINTER;
  *pin = nullptr;
  GstPad* peer = gst_pad_get_peer(pad_);
  if (peer == nullptr) return VFW_E_NOT_CONNECTED;
  ComPtr<TGstPin> result;
  if (TGstFilterGraph* graph = filter_->Graph()) result = graph->PinOfPad(peer);
  gst_object_unref(peer);
  if (!result) return VFW_E_NOT_CONNECTED;  // linked to something outside the graph
  *pin = result.Detach();
  return S_OK;
}

HRESULT TGstPin::QueryDirection(PIN_DIRECTION* direction) {
  if (direction == nullptr) return E_POINTER;
  *direction = GST_PAD_DIRECTION(pad_) == GST_PAD_SRC ? PINDIR_OUTPUT : PINDIR_INPUT;
  return S_OK;
}

HRESULT TGstPin::QueryPinInfo(PIN_INFO* info) {
  if (info == nullptr) return E_POINTER;
  QueryDirection(&info->dir);
  gchar* name = gst_pad_get_name(pad_);
  CopyName(WideFromUtf8(name != nullptr ? name : ""), info->achName, MAX_PIN_NAME);
  g_free(name);
  info->pFilter = filter_.Get();
  info->pFilter->AddRef();
  return S_OK;
}

// ---- filters ----

TGstFilter::TGstFilter(GstElement* element)
    : element_(static_cast<GstElement*>(gst_object_ref_sink(element))) {}

TGstFilter::~TGstFilter() {
  // Joins any streaming thread still inside the element before it goes.
  gst_element_set_state(element_, GST_STATE_NULL);
  gst_object_unref(element_);
}

HRESULT TGstFilter::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (!(iid == IID_IUnknown) && !(iid == IID_IBaseFilter)) return E_NOINTERFACE;
  *object = static_cast<IBaseFilter*>(this);
  AddRef();
  return S_OK;
}

void TGstFilter::Joined(TGstFilterGraph* graph, const std::u16string& name) {
  graph_ = graph;
  name_ = name;
}

void TGstFilter::Left() {
  graph_ = nullptr;
  name_.clear();
}

ComPtr<TGstPin> TGstFilter::PinFor(GstPad* pad) {
  auto it = pins_.find(pad);
  if (it != pins_.end()) return ComPtr<TGstPin>(it->second);
  auto pin = ComPtr<TGstPin>::Attach(new TGstPin(this, pad));
  pins_[pad] = pin.Get();
  return pin;
}

void TGstFilter::ForgetPin(GstPad* pad) { pins_.erase(pad); }

std::vector<ComPtr<TGstPin>> TGstFilter::Pins() {
  std::vector<GstPad*> pads;
  GST_OBJECT_LOCK(element_);
  for (GList* l = element_->pads; l != nullptr; l = l->next)
    pads.push_back(static_cast<GstPad*>(gst_object_ref(l->data)));
  GST_OBJECT_UNLOCK(element_);
  std::vector<ComPtr<TGstPin>> pins;
  for (GstPad* pad : pads) {
    pins.push_back(PinFor(pad));
    gst_object_unref(pad);
  }
  return pins;
}

HRESULT TGstFilter::EnumPins(IEnumPins** pins) {
  if (pins == nullptr) return E_POINTER;
  *pins = new TPinEnum(Pins());
  return S_OK;
}

HRESULT TGstFilter::FindPin(LPCWSTR id, IPin** pin) {
  if (id == nullptr || pin == nullptr) return E_POINTER;
  *pin = nullptr;
  const std::string name = Utf8FromWide(id);
  GstPad* pad = gst_element_get_static_pad(element_, name.c_str());
  if (pad == nullptr) return VFW_E_NOT_FOUND;
  *pin = PinFor(pad).Detach();
  gst_object_unref(pad);
  return S_OK;
}

HRESULT TGstFilter::QueryFilterInfo(FILTER_INFO* info) {
  if (info == nullptr) return E_POINTER;
  CopyName(name_, info->achName, MAX_FILTER_NAME);
  return S_OK;
}

GstPad* TGstFilter::FreeInputFor(TMediaKind) { return nullptr; }

// ---- source ----

ComPtr<TSourceFilter> TSourceFilter::Create(const std::string& path) {
  GstElement* src = Make("filesrc");
  if (src != nullptr) g_object_set(src, "location", path.c_str(), nullptr);
  GstElement* bin = MakeChainBin({src}, nullptr, "Output");
  if (bin == nullptr) return {};
  return ComPtr<TSourceFilter>::Attach(new TSourceFilter(bin));
}

// ---- decoder ----

ComPtr<TDecoderFilter> TDecoderFilter::Create() {
  GstElement* decodebin = Make("decodebin");
  if (decodebin == nullptr) return {};
  return ComPtr<TDecoderFilter>::Attach(new TDecoderFilter(decodebin));
}

TDecoderFilter::TDecoderFilter(GstElement* element) : TGstFilter(element) {
  padAddedId_ = g_signal_connect(Element(), "pad-added", G_CALLBACK(&OnPadAdded), this);
  noMorePadsId_ = g_signal_connect(Element(), "no-more-pads", G_CALLBACK(&OnNoMorePads), this);
}

TDecoderFilter::~TDecoderFilter() {
  // No callback may reach this object once it is going: disconnect, then stop the threads.
  g_signal_handler_disconnect(Element(), padAddedId_);
  g_signal_handler_disconnect(Element(), noMorePadsId_);
  gst_element_set_state(Element(), GST_STATE_NULL);
  for (auto& [pad, probe] : parked_) {
    gst_pad_remove_probe(pad, probe);
    gst_object_unref(pad);
  }
  for (auto& [pad, probe] : blocked_) {
    gst_pad_remove_probe(pad, probe);
    gst_object_unref(pad);
  }
}

// Streaming thread: park the pad, blocked, and wake the GUI thread's wait through the bus.
void TDecoderFilter::OnPadAdded(GstElement* element, GstPad* pad, gpointer self) {
  auto* filter = static_cast<TDecoderFilter*>(self);
  const gulong probe = gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BLOCK_DOWNSTREAM,
                                         [](GstPad*, GstPadProbeInfo*, gpointer) {
                                           return GST_PAD_PROBE_OK;
                                         }, nullptr, nullptr);
  {
    std::lock_guard<std::mutex> lock(filter->mutex_);
    filter->parked_.emplace_back(static_cast<GstPad*>(gst_object_ref(pad)), probe);
  }
  gst_element_post_message(
      element, gst_message_new_application(GST_OBJECT(element),
                                           gst_structure_new_empty("orvane-pad-parked")));
}

void TDecoderFilter::OnNoMorePads(GstElement* element, gpointer self) {
  static_cast<TDecoderFilter*>(self)->noMorePads_ = true;
  gst_element_post_message(
      element, gst_message_new_application(GST_OBJECT(element),
                                           gst_structure_new_empty("orvane-pad-parked")));
}

std::vector<GstPad*> TDecoderFilter::TakeParkedPads() {
  std::vector<std::pair<GstPad*, gulong>> taken;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    taken.swap(parked_);
  }
  std::vector<GstPad*> pads;
  for (auto& [pad, probe] : taken) {
    blocked_[pad] = probe;
    pads.push_back(pad);
  }
  return pads;
}

bool TDecoderFilter::HasParkedPads() {
  std::lock_guard<std::mutex> lock(mutex_);
  return !parked_.empty();
}

void TDecoderFilter::Unblock(GstPad* pad) {
  auto it = blocked_.find(pad);
  if (it == blocked_.end()) return;
  gst_pad_remove_probe(pad, it->second);
  gst_object_unref(pad);
  blocked_.erase(it);
}

// ---- converter ----

const char16_t* TConverterFilter::NameFor(TMediaKind kind) {
  return kind == TMediaKind::Video ? u"Color Space Converter" : u"Audio Converter";
}

ComPtr<TConverterFilter> TConverterFilter::Create(TMediaKind kind) {
  GstElement* bin = kind == TMediaKind::Video
                        ? MakeChainBin({Make("videoconvert"), Make("videoscale")}, "Input", "Output")
                        : MakeChainBin({Make("audioconvert"), Make("audioresample")}, "Input",
                                       "Output");
  if (bin == nullptr) return {};
  return ComPtr<TConverterFilter>::Attach(new TConverterFilter(bin));
}

// ---- default renderers ----

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

// ---- enumerators ----

HRESULT TPinEnum::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (!(iid == IID_IUnknown)) return E_NOINTERFACE;
  *object = static_cast<IEnumPins*>(this);
  AddRef();
  return S_OK;
}

HRESULT TPinEnum::Next(ULONG count, IPin** pins, ULONG* fetched) {
  if (pins == nullptr || (fetched == nullptr && count != 1)) return E_POINTER;
  ULONG n = 0;
  while (n < count && next_ < pins_.size()) pins[n++] = ComPtr<TGstPin>(pins_[next_++]).Detach();
  if (fetched != nullptr) *fetched = n;
  return n == count ? S_OK : S_FALSE;
}

HRESULT TPinEnum::Skip(ULONG count) {
  const size_t left = pins_.size() - next_;
  next_ += std::min<size_t>(count, left);
  return count <= left ? S_OK : S_FALSE;
}

HRESULT TPinEnum::Reset() {
  next_ = 0;
  return S_OK;
}

TFilterEnum::TFilterEnum(TGstFilterGraph* graph) : graph_(graph) {
  graph_->AddRef();
  Reset();
}

TFilterEnum::~TFilterEnum() { graph_->Release(); }

HRESULT TFilterEnum::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (!(iid == IID_IUnknown)) return E_NOINTERFACE;
  *object = static_cast<IEnumFilters*>(this);
  AddRef();
  return S_OK;
}

HRESULT TFilterEnum::Next(ULONG count, IBaseFilter** filters, ULONG* fetched) {
  if (filters == nullptr || (fetched == nullptr && count != 1)) return E_POINTER;
  if (fetched != nullptr) *fetched = 0;
  if (version_ != graph_->Version()) return VFW_E_ENUM_OUT_OF_SYNC;
  ULONG n = 0;
  while (n < count && next_ < filters_.size())
    filters[n++] = ComPtr<TGstFilter>(filters_[next_++]).Detach();
  if (fetched != nullptr) *fetched = n;
  return n == count ? S_OK : S_FALSE;
}

HRESULT TFilterEnum::Skip(ULONG count) {
  if (version_ != graph_->Version()) return VFW_E_ENUM_OUT_OF_SYNC;
  const size_t left = filters_.size() - next_;
  next_ += std::min<size_t>(count, left);
  return count <= left ? S_OK : S_FALSE;
}

HRESULT TFilterEnum::Reset() {
  filters_ = graph_->Filters();
  version_ = graph_->Version();
  next_ = 0;
  return S_OK;
}

}  // namespace platform
