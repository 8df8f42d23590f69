#pragma once
// A recording fake of the media graph for the engine's unit tests: every call the engine makes
// lands in one log (message boxes too), so tests can compare exact sequences. Objects count their
// references, and the world counts live objects, so a test can see that nothing is left held.

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/mediagraph/MediaGraph.h"

namespace fake {

using namespace platform;

struct TWorld {
  std::vector<std::string> log;
  int liveObjects = 0;
  void Log(std::string entry) { log.push_back(std::move(entry)); }
};

template <class... I>
class TObject : public I... {
 public:
  explicit TObject(TWorld* world) : world_(world) { ++world_->liveObjects; }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  virtual ~TObject() { --world_->liveObjects; }
  TWorld* world_;

 private:
  ULONG refs_ = 1;
};

class TFilter;

class TPin final : public TObject<IPin> {
 public:
  TPin(TWorld* w, TFilter* filter, std::string name, PIN_DIRECTION dir)
      : TObject(w), filter_(filter), name_(std::move(name)), dir_(dir) {}
  HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  HRESULT ConnectedTo(IPin** pin) override;
  HRESULT QueryDirection(PIN_DIRECTION* dir) override {
    *dir = dir_;
    return S_OK;
  }
  HRESULT QueryPinInfo(PIN_INFO*) override { return E_NOTIMPL; }
  std::string Label() const;
  const std::string& Name() const { return name_; }
  TPin* peer = nullptr;  // the graph keeps every pin alive for the test's length

 private:
  TFilter* filter_;
  std::string name_;
  PIN_DIRECTION dir_;
};

class TFilter final : public TObject<IBaseFilter> {
 public:
  TFilter(TWorld* w, std::string name) : TObject(w), name_(std::move(name)) {}
  HRESULT QueryInterface(REFIID iid, void** object) override;
  HRESULT EnumPins(IEnumPins** pins) override;
  HRESULT FindPin(LPCWSTR id, IPin** pin) override;
  HRESULT QueryFilterInfo(FILTER_INFO* info) override;
  TPin* AddPin(const std::string& name, PIN_DIRECTION dir);
  std::string name_;  // the name in the graph (tests set it as the graph would)
  std::vector<ComPtr<TPin>> pins;

 private:
  ~TFilter() override;
};

void Link(TPin* output, TPin* input);

class TGraph final
    : public TObject<IGraphBuilder, IMediaControl, IMediaSeeking, IBasicVideo, IVideoWindow> {
 public:
  explicit TGraph(TWorld* w) : TObject(w) {}
  HRESULT QueryInterface(REFIID iid, void** object) override;

  HRESULT AddFilter(IBaseFilter* filter, LPCWSTR name) override;
  HRESULT RemoveFilter(IBaseFilter* filter) override;
  HRESULT EnumFilters(IEnumFilters** filters) override;
  HRESULT FindFilterByName(LPCWSTR, IBaseFilter**) override { return E_NOTIMPL; }
  HRESULT Connect(IPin* output, IPin* input) override;
  HRESULT Render(IPin* output) override;
  HRESULT RenderFile(LPCSTR file, LPCWSTR playList) override;
  HRESULT AddSourceFilter(LPCSTR file, LPCWSTR name, IBaseFilter** filter) override;

  HRESULT Run() override { return Note("Run"); }
  HRESULT Pause() override { return Note("Pause"); }
  HRESULT Stop() override { return Note("Stop"); }
  HRESULT GetState(long, OAFilterState*) override { return E_NOTIMPL; }

  HRESULT SetTimeFormat(const GUID* format) override;
  HRESULT GetDuration(LONGLONG*) override { return E_NOTIMPL; }
  HRESULT GetStopPosition(LONGLONG* stop) override;
  HRESULT GetCurrentPosition(LONGLONG*) override { return E_NOTIMPL; }
  HRESULT GetPositions(LONGLONG* current, LONGLONG* stop) override;
  HRESULT SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                       DWORD stopFlags) override;

  HRESULT get_SourceWidth(long* width) override;
  HRESULT get_SourceHeight(long* height) override;
  HRESULT put_Owner(OAHWND owner) override;
  HRESULT put_WindowStyle(long style) override;
  HRESULT SetWindowPosition(long left, long top, long width, long height) override;
  HRESULT GetWindowPosition(long*, long*, long*, long*) override { return E_NOTIMPL; }

  // Adds a filter as if the graph manager had built it (not logged).
  TFilter* Make(const std::string& name);
  std::vector<std::string> FilterNames() const;

  // Scripted behaviour.
  std::set<std::string> refused;  // interfaces QueryInterface refuses, by name
  std::function<HRESULT(TGraph&, const std::string&)> onRenderFile;
  std::function<HRESULT(TGraph&, TPin*)> onRender;
  HRESULT addSourceResult = S_OK;
  HRESULT addFilterResult = S_OK;
  HRESULT positionsResult = S_OK;
  LONGLONG current = 0;
  LONGLONG stop = 0;
  long width = 0, height = 0;
  bool hasVideo = false;

  std::vector<ComPtr<TFilter>> filters;   // in the graph, in order
  std::vector<ComPtr<TFilter>> everMade;  // keeps pins' peers valid for the test's length

 private:
  HRESULT Note(const std::string& entry) {
    world_->Log(entry);
    return S_OK;
  }
  ~TGraph() override = default;
};

// The COM entry points; creates one TGraph and VideoGate1000 renderer filters.
class TRuntime final : public TComRuntime {
 public:
  explicit TRuntime(std::shared_ptr<TWorld> world) : world_(std::move(world)) {}
  HRESULT CoInitialize() override;
  void CoUninitialize() override;
  HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid,
                           void** object) override;

  TGraph* graph = nullptr;  // the graph made; lives while the engine holds it
  bool failCoInitialize = false;
  bool failGraph = false;
  bool failGate = false;
  std::function<void(TGraph&)> prepareGraph;

 private:
  std::shared_ptr<TWorld> world_;
};

}  // namespace fake
