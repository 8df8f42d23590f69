#include "engine/FakeGraph.h"

#include <algorithm>

#include "platform/CodePage.h"

namespace fake {
namespace {

std::string Narrow(LPCWSTR text) { return text ? Utf8FromWide(text) : std::string("(null)"); }

template <class T, class Ptr>
class TEnum : public TObject<T> {
 public:
  TEnum(TWorld* w, std::vector<ComPtr<Ptr>> items, std::string what, bool logged)
      : TObject<T>(w), items_(std::move(items)), what_(std::move(what)), logged_(logged) {}
  HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  HRESULT Skip(ULONG count) override {
    const HRESULT hr = next_ + count <= items_.size() ? S_OK : S_FALSE;
    next_ = std::min(items_.size(), next_ + count);
    Note("Skip");
    return hr;
  }
  HRESULT Reset() override {
    next_ = 0;
    Note("Reset");
    return S_OK;
  }

 protected:
  template <class Out>
  HRESULT NextItems(ULONG count, Out** out, ULONG* fetched) {
    ULONG n = 0;
    while (n < count && next_ < items_.size()) out[n++] = ComPtr<Ptr>(items_[next_++]).Detach();
    if (fetched) *fetched = n;
    Note("Next");
    return n == count ? S_OK : S_FALSE;
  }

 private:
  void Note(const std::string& call) {
    if (logged_) this->world_->Log(what_ + "." + call);
  }
  std::vector<ComPtr<Ptr>> items_;
  std::string what_;
  bool logged_;
  size_t next_ = 0;
};

class TFilterEnum final : public TEnum<IEnumFilters, TFilter> {
 public:
  using TEnum::TEnum;
  HRESULT Next(ULONG count, IBaseFilter** out, ULONG* fetched) override {
    return NextItems(count, out, fetched);
  }
};

class TPinEnum final : public TEnum<IEnumPins, TPin> {
 public:
  using TEnum::TEnum;
  HRESULT Next(ULONG count, IPin** out, ULONG* fetched) override {
    return NextItems(count, out, fetched);
  }
};

}  // namespace

HRESULT TPin::ConnectedTo(IPin** pin) {
  *pin = nullptr;
  if (peer == nullptr) return VFW_E_NOT_CONNECTED;
  *pin = ComPtr<TPin>(peer).Detach();
  return S_OK;
}

std::string TPin::Label() const { return filter_->name_ + "." + name_; }

void Link(TPin* output, TPin* input) {
  output->peer = input;
  input->peer = output;
}

TFilter::~TFilter() = default;

HRESULT TFilter::QueryInterface(REFIID iid, void** object) {
  if (!(iid == IID_IBaseFilter) && !(iid == IID_IUnknown)) return E_NOINTERFACE;
  AddRef();
  *object = static_cast<IBaseFilter*>(this);
  return S_OK;
}

HRESULT TFilter::EnumPins(IEnumPins** out) {
  std::vector<ComPtr<TPin>> copy(pins.begin(), pins.end());
  *out = new TPinEnum(world_, std::move(copy), "Pins", false);
  return S_OK;
}

HRESULT TFilter::FindPin(LPCWSTR id, IPin** pin) {
  *pin = nullptr;
  const std::string name = Narrow(id);
  world_->Log("FindPin(" + name + ")");
  for (const ComPtr<TPin>& p : pins) {
    if (p->Name() == name) {
      *pin = ComPtr<TPin>(p).Detach();
      return S_OK;
    }
  }
  return VFW_E_NOT_FOUND;
}

HRESULT TFilter::QueryFilterInfo(FILTER_INFO* info) {
  const std::u16string wide = WideFromUtf8(name_);
  const size_t n = std::min<size_t>(wide.size(), MAX_FILTER_NAME - 1);
  std::copy_n(wide.data(), n, info->achName);
  info->achName[n] = 0;
  return S_OK;
}

TPin* TFilter::AddPin(const std::string& name, PIN_DIRECTION dir) {
  pins.push_back(ComPtr<TPin>::Attach(new TPin(world_, this, name, dir)));
  return pins.back().Get();
}

HRESULT TGraph::QueryInterface(REFIID iid, void** object) {
  *object = nullptr;
  auto offer = [&](const char* name, void* face) {
    if (refused.count(name)) return E_NOINTERFACE;
    AddRef();
    *object = face;
    return S_OK;
  };
  if (iid == IID_IMediaControl) return offer("IMediaControl", static_cast<IMediaControl*>(this));
  if (iid == IID_IMediaSeeking) return offer("IMediaSeeking", static_cast<IMediaSeeking*>(this));
  if (iid == IID_IBasicVideo) return offer("IBasicVideo", static_cast<IBasicVideo*>(this));
  if (iid == IID_IVideoWindow) return offer("IVideoWindow", static_cast<IVideoWindow*>(this));
  if (iid == IID_IGraphBuilder || iid == IID_IUnknown)
    return offer("IGraphBuilder", static_cast<IGraphBuilder*>(this));
  return E_NOINTERFACE;
}

TFilter* TGraph::Make(const std::string& name) {
  auto f = ComPtr<TFilter>::Attach(new TFilter(world_, name));
  filters.push_back(f);
  everMade.push_back(f);
  return f.Get();
}

std::vector<std::string> TGraph::FilterNames() const {
  std::vector<std::string> names;
  for (const ComPtr<TFilter>& f : filters) names.push_back(f->name_);
  return names;
}

HRESULT TGraph::AddFilter(IBaseFilter* filter, LPCWSTR name) {
  world_->Log("AddFilter(" + Narrow(name) + ")");
  if (FAILED(addFilterResult)) return addFilterResult;
  if (filter == nullptr) return E_POINTER;
  auto* f = static_cast<TFilter*>(filter);
  f->name_ = Narrow(name);
  filters.emplace_back(f);
  everMade.emplace_back(f);
  return S_OK;
}

HRESULT TGraph::RemoveFilter(IBaseFilter* filter) {
  auto* f = static_cast<TFilter*>(filter);
  world_->Log("RemoveFilter(" + f->name_ + ")");
  for (const ComPtr<TPin>& p : f->pins) {
    if (p->peer) p->peer->peer = nullptr;
    p->peer = nullptr;
  }
  filters.erase(std::remove_if(filters.begin(), filters.end(),
                               [&](const ComPtr<TFilter>& x) { return x.Get() == f; }),
                filters.end());
  return S_OK;
}

HRESULT TGraph::EnumFilters(IEnumFilters** out) {
  world_->Log("EnumFilters");
  std::vector<ComPtr<TFilter>> copy(filters.begin(), filters.end());
  *out = new TFilterEnum(world_, std::move(copy), "Filters", true);
  return S_OK;
}

HRESULT TGraph::Connect(IPin* output, IPin* input) {
  auto* out = static_cast<TPin*>(output);
  auto* in = static_cast<TPin*>(input);
  world_->Log("Connect(" + out->Label() + "," + in->Label() + ")");
  Link(out, in);
  return S_OK;
}

HRESULT TGraph::Render(IPin* output) {
  auto* out = static_cast<TPin*>(output);
  world_->Log("Render(" + out->Label() + ")");
  return onRender ? onRender(*this, out) : VFW_E_CANNOT_RENDER;
}

HRESULT TGraph::RenderFile(LPCSTR file, LPCWSTR playList) {
  const std::string name = file;
  world_->Log("RenderFile(" + name + (playList ? ",list)" : ")"));
  return onRenderFile ? onRenderFile(*this, name) : VFW_E_CANNOT_RENDER;
}

HRESULT TGraph::AddSourceFilter(LPCSTR file, LPCWSTR name, IBaseFilter** filter) {
  world_->Log("AddSourceFilter(" + std::string(file) + "," + Narrow(name) + ")");
  *filter = nullptr;
  if (FAILED(addSourceResult)) return addSourceResult;
  TFilter* source = Make(Narrow(name));
  source->AddPin("Output", PINDIR_OUTPUT);
  *filter = ComPtr<TFilter>(source).Detach();
  return S_OK;
}

HRESULT TGraph::SetTimeFormat(const GUID* format) {
  world_->Log(*format == TIME_FORMAT_MEDIA_TIME ? "SetTimeFormat(MEDIA_TIME)" : "SetTimeFormat(?)");
  return S_OK;
}

HRESULT TGraph::GetStopPosition(LONGLONG* s) {
  world_->Log("GetStopPosition");
  if (FAILED(positionsResult)) return positionsResult;
  *s = stop;
  return S_OK;
}

HRESULT TGraph::GetPositions(LONGLONG* c, LONGLONG* s) {
  world_->Log("GetPositions");
  if (FAILED(positionsResult)) return positionsResult;
  *c = current;
  *s = stop;
  return S_OK;
}

HRESULT TGraph::SetPositions(LONGLONG* c, DWORD cf, LONGLONG* s, DWORD sf) {
  world_->Log("SetPositions(" + (c ? std::to_string(*c) : std::string("-")) + "," +
              std::to_string(cf) + "," + (s ? std::to_string(*s) : std::string("-")) + "," +
              std::to_string(sf) + ")");
  if (c && (cf & AM_SEEKING_PositioningBitsMask) == AM_SEEKING_AbsolutePositioning) current = *c;
  return S_OK;
}

HRESULT TGraph::get_SourceWidth(long* w) {
  world_->Log("get_SourceWidth");
  if (!hasVideo) return E_NOINTERFACE;
  *w = width;
  return S_OK;
}

HRESULT TGraph::get_SourceHeight(long* h) {
  world_->Log("get_SourceHeight");
  if (!hasVideo) return E_NOINTERFACE;
  *h = height;
  return S_OK;
}

HRESULT TGraph::put_Owner(OAHWND owner) {
  world_->Log("put_Owner(" + std::to_string(owner) + ")");
  return S_OK;
}

HRESULT TGraph::put_WindowStyle(long style) {
  world_->Log("put_WindowStyle(" + std::to_string(style) + ")");
  return S_OK;
}

HRESULT TGraph::SetWindowPosition(long l, long t, long w, long h) {
  world_->Log("SetWindowPosition(" + std::to_string(l) + "," + std::to_string(t) + "," +
              std::to_string(w) + "," + std::to_string(h) + ")");
  return S_OK;
}

HRESULT TRuntime::CoInitialize() {
  world_->Log("CoInitialize");
  return failCoInitialize ? E_FAIL : S_OK;
}

void TRuntime::CoUninitialize() { world_->Log("CoUninitialize"); }

HRESULT TRuntime::CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid,
                                   void** object) {
  *object = nullptr;
  const bool isGraph = clsid == CLSID_FilterGraph;
  const bool isGate = clsid == CLSID_VideoGate1000Renderer;
  const char* what = isGraph ? "FilterGraph" : isGate ? "VideoGate1000" : "?";
  const char* asked = iid == IID_IGraphBuilder ? "IGraphBuilder"
                      : iid == IID_IBaseFilter ? "IBaseFilter" : "?";
  world_->Log(std::string("CoCreateInstance(") + what + "," + (outer ? "outer" : "null") + "," +
              std::to_string(context) + "," + asked + ")");
  if (isGraph) {
    if (failGraph) return REGDB_E_CLASSNOTREG;
    auto made = ComPtr<TGraph>::Attach(new TGraph(world_.get()));
    graph = made.Get();
    if (prepareGraph) prepareGraph(*graph);
    return made->QueryInterface(iid, object);
  }
  if (isGate) {
    if (failGate) return REGDB_E_CLASSNOTREG;
    auto gate = ComPtr<TFilter>::Attach(new TFilter(world_.get(), ""));
    gate->AddPin("Video-In", PINDIR_INPUT);
    gate->AddPin("Audio-In", PINDIR_INPUT);
    return gate->QueryInterface(iid, object);
  }
  return REGDB_E_CLASSNOTREG;
}

}  // namespace fake
