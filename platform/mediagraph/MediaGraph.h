#pragma once
// The media filter graph as the playback engine sees it: COM-style interfaces with DirectShow's
// names and meaning (reference-counted objects, HRESULT results, 100-ns media time), so that the
// engine can be written against them and tested against a recording fake. GstFilterGraph.h builds
// them on GStreamer; MediaRuntime.h creates them by class id.

#include <cstdint>
#include <string>
#include <utility>

namespace platform {

using HRESULT = int32_t;
using ULONG = uint32_t;
using DWORD = uint32_t;
using LONGLONG = int64_t;
using REFTIME = double;
using WCHAR = char16_t;
using LPCWSTR = const WCHAR*;
// A file's path as the file system names it: its bytes, passed on unchanged (a name that is not
// UTF-8, such as a Shift-JIS one from a Japanese disk, must reach the file source as it is).
using LPCSTR = const char*;
using LONG_PTR = intptr_t;
using OAHWND = uintptr_t;  // a native window id (an X11 window here); 0 means none

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004u);
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
constexpr HRESULT CO_E_NOTINITIALIZED = static_cast<HRESULT>(0x800401F0u);
constexpr HRESULT VFW_E_NOT_CONNECTED = static_cast<HRESULT>(0x80040209u);
constexpr HRESULT VFW_E_ENUM_OUT_OF_SYNC = static_cast<HRESULT>(0x80040203u);
constexpr HRESULT VFW_E_ALREADY_CONNECTED = static_cast<HRESULT>(0x80040204u);
constexpr HRESULT VFW_E_NOT_FOUND = static_cast<HRESULT>(0x80040216u);
constexpr HRESULT VFW_E_CANNOT_CONNECT = static_cast<HRESULT>(0x80040217u);
constexpr HRESULT VFW_E_CANNOT_RENDER = static_cast<HRESULT>(0x80040218u);
constexpr HRESULT VFW_E_NOT_IN_GRAPH = static_cast<HRESULT>(0x8004025Fu);
constexpr HRESULT VFW_E_TIMEOUT = static_cast<HRESULT>(0x8004022Eu);
constexpr HRESULT VFW_E_DUPLICATE_NAME = static_cast<HRESULT>(0x8004028Eu);
constexpr HRESULT VFW_E_NOT_STOPPED = static_cast<HRESULT>(0x80040224u);
constexpr HRESULT VFW_E_WRONG_STATE = static_cast<HRESULT>(0x80040227u);
constexpr HRESULT VFW_S_DUPLICATE_NAME = 0x0004022D;
constexpr HRESULT VFW_S_PARTIAL_RENDER = 0x00040242;
constexpr HRESULT VFW_E_NOT_FOUND_FILE = static_cast<HRESULT>(0x80070002u);  // ERROR_FILE_NOT_FOUND

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

struct GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
  friend bool operator==(const GUID& a, const GUID& b);
};
using CLSID = GUID;
using IID = GUID;
using REFCLSID = const GUID&;
using REFIID = const GUID&;
using REFGUID = const GUID&;

// The published DirectShow identifiers, and the class of the external-output renderer.
extern const CLSID CLSID_FilterGraph;
extern const CLSID CLSID_VideoGate1000Renderer;  // {2E42FF7E-7EDD-4307-B501-CC2044FB1C54}
extern const IID IID_IUnknown;
extern const IID IID_IGraphBuilder;
extern const IID IID_IMediaControl;
extern const IID IID_IMediaSeeking;
extern const IID IID_IMediaEvent;
extern const IID IID_IBasicVideo;
extern const IID IID_IVideoWindow;
extern const IID IID_IBaseFilter;
extern const IID IID_IGaplessQueue;  // this graph's own: no DirectShow counterpart
extern const GUID TIME_FORMAT_MEDIA_TIME;

// Textual form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", for messages and test output.
std::string GuidToString(const GUID& guid);

enum : DWORD {
  CLSCTX_INPROC_SERVER = 0x1,
  CLSCTX_INPROC_HANDLER = 0x2,
};

enum : DWORD {
  AM_SEEKING_NoPositioning = 0x0,
  AM_SEEKING_AbsolutePositioning = 0x1,
  AM_SEEKING_RelativePositioning = 0x2,
  AM_SEEKING_IncrementalPositioning = 0x3,
  AM_SEEKING_PositioningBitsMask = 0x3,
};

enum : long {
  WS_CLIPSIBLINGS = 0x04000000L,
  WS_CLIPCHILDREN = 0x02000000L,
  WS_CHILD = 0x40000000L,
  WS_OVERLAPPEDWINDOW = 0x00CF0000L,
};

enum PIN_DIRECTION { PINDIR_INPUT = 0, PINDIR_OUTPUT = 1 };

constexpr int MAX_FILTER_NAME = 128;
constexpr int MAX_PIN_NAME = 128;

struct IUnknown {
  virtual HRESULT QueryInterface(REFIID iid, void** object) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  ~IUnknown() = default;  // objects go away through Release only
};

struct IBaseFilter;
struct IPin;

struct IEnumPins : IUnknown {
  // Up to count pins, each with a reference for the caller; S_FALSE when fewer were left.
  // fetched may be null only when count is 1.
  virtual HRESULT Next(ULONG count, IPin** pins, ULONG* fetched) = 0;
  virtual HRESULT Skip(ULONG count) = 0;
  virtual HRESULT Reset() = 0;
};

struct IEnumFilters : IUnknown {
  // As IEnumPins; VFW_E_ENUM_OUT_OF_SYNC once the graph changed after the last Reset.
  virtual HRESULT Next(ULONG count, IBaseFilter** filters, ULONG* fetched) = 0;
  virtual HRESULT Skip(ULONG count) = 0;
  virtual HRESULT Reset() = 0;
};

struct PIN_INFO {
  IBaseFilter* pFilter;  // with a reference for the caller
  PIN_DIRECTION dir;
  WCHAR achName[MAX_PIN_NAME];
};

struct IPin : IUnknown {
  // The pin this one is connected to (with a reference), or VFW_E_NOT_CONNECTED.
  virtual HRESULT ConnectedTo(IPin** pin) = 0;
  virtual HRESULT QueryDirection(PIN_DIRECTION* direction) = 0;
  virtual HRESULT QueryPinInfo(PIN_INFO* info) = 0;
};

struct FILTER_INFO {
  WCHAR achName[MAX_FILTER_NAME];  // the name the filter was added under; empty outside a graph
};

struct IBaseFilter : IUnknown {
  virtual HRESULT EnumPins(IEnumPins** pins) = 0;
  virtual HRESULT FindPin(LPCWSTR id, IPin** pin) = 0;
  virtual HRESULT QueryFilterInfo(FILTER_INFO* info) = 0;
};

struct IGraphBuilder : IUnknown {
  // A name already in use is made unique ("Video Renderer 0001"); null means a generated name.
  virtual HRESULT AddFilter(IBaseFilter* filter, LPCWSTR name) = 0;
  virtual HRESULT RemoveFilter(IBaseFilter* filter) = 0;
  virtual HRESULT EnumFilters(IEnumFilters** filters) = 0;
  virtual HRESULT FindFilterByName(LPCWSTR name, IBaseFilter** filter) = 0;
  // Intelligent connect: converting or decoding filters are inserted as needed.
  virtual HRESULT Connect(IPin* output, IPin* input) = 0;
  // Completes the graph downstream of an output pin, preferring renderers already in the graph.
  virtual HRESULT Render(IPin* output) = 0;
  // Builds the whole graph for a file with the default renderers. Synchronous and bounded.
  virtual HRESULT RenderFile(LPCSTR file, LPCWSTR playList) = 0;
  virtual HRESULT AddSourceFilter(LPCSTR file, LPCWSTR filterName, IBaseFilter** filter) = 0;
};

using OAFilterState = long;
enum : OAFilterState { State_Stopped = 0, State_Paused = 1, State_Running = 2 };

struct IMediaControl : IUnknown {
  virtual HRESULT Run() = 0;
  virtual HRESULT Pause() = 0;
  virtual HRESULT Stop() = 0;  // does not rewind
  virtual HRESULT GetState(long timeoutMs, OAFilterState* state) = 0;
};

// Event codes of IMediaEvent.
enum : long {
  EC_COMPLETE = 0x01,    // every stream reached its end
  EC_ERRORABORT = 0x03,  // an error stopped the streams; param1 is the HRESULT
  // The queued file became audible: the file before it ended, positions are now the new one's.
  EC_QUEUED_STARTED = 0x8001,
  // The queued file cannot join (not decodable, or a video) and was dropped: the file playing
  // ends as if none had been queued.
  EC_QUEUED_DROPPED = 0x8002,
};

struct IMediaEvent : IUnknown {
  // The oldest event not yet taken, or E_ABORT when none arrives within timeoutMs (0: none
  // waiting now). Each event taken is given back with FreeEventParams.
  virtual HRESULT GetEvent(long* eventCode, LONG_PTR* param1, LONG_PTR* param2,
                           long timeoutMs) = 0;
  virtual HRESULT FreeEventParams(long eventCode, LONG_PTR param1, LONG_PTR param2) = 0;
};

struct IMediaSeeking : IUnknown {
  virtual HRESULT SetTimeFormat(const GUID* format) = 0;
  virtual HRESULT GetDuration(LONGLONG* duration) = 0;
  virtual HRESULT GetStopPosition(LONGLONG* stop) = 0;
  virtual HRESULT GetCurrentPosition(LONGLONG* current) = 0;
  virtual HRESULT GetPositions(LONGLONG* current, LONGLONG* stop) = 0;
  virtual HRESULT SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                               DWORD stopFlags) = 0;
};

// The next file, decoded into the running audio output so that it follows the current one without
// a gap. Audio only: a graph with video or without its own audio renderer refuses.
struct IGaplessQueue : IUnknown {
  // Off (the default): files are never joined and audio renderers are built as before. Read
  // when the audio renderer is made, so it is set before RenderFile.
  virtual HRESULT SetGapless(bool on) = 0;
  // At most one file waits; a second call replaces it. E_FAIL when it cannot be joined.
  virtual HRESULT QueueFile(LPCSTR file) = 0;
  virtual HRESULT ClearQueued() = 0;
};

struct IBasicVideo : IUnknown {
  virtual HRESULT get_SourceWidth(long* width) = 0;
  virtual HRESULT get_SourceHeight(long* height) = 0;
};

struct IVideoWindow : IUnknown {
  virtual HRESULT put_Owner(OAHWND owner) = 0;
  virtual HRESULT put_WindowStyle(long style) = 0;
  virtual HRESULT SetWindowPosition(long left, long top, long width, long height) = 0;
  virtual HRESULT GetWindowPosition(long* left, long* top, long* width, long* height) = 0;
};

// Holds one reference; the smart-pointer face of AddRef/Release.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(T* p) : p_(p) { if (p_) p_->AddRef(); }  // NOLINT: implicit like a raw pointer
  ComPtr(const ComPtr& o) : ComPtr(o.p_) {}
  ComPtr(ComPtr&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
  ~ComPtr() { Reset(); }
  ComPtr& operator=(ComPtr o) noexcept { std::swap(p_, o.p_); return *this; }

  // Takes over a reference the caller already owns.
  static ComPtr Attach(T* p) { ComPtr c; c.p_ = p; return c; }
  T* Detach() { T* p = p_; p_ = nullptr; return p; }
  void Reset() { if (p_) { T* p = p_; p_ = nullptr; p->Release(); } }
  // For out-parameters: drops what is held and gives the slot.
  T** Put() { Reset(); return &p_; }
  void** PutVoid() { return reinterpret_cast<void**>(Put()); }
  T* Get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

// The three COM entry points the engine uses. The media runtime implements them; tests give the
// engine a recording fake instead.
class TComRuntime {
 public:
  virtual ~TComRuntime() = default;
  virtual HRESULT CoInitialize() = 0;
  virtual void CoUninitialize() = 0;
  virtual HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid,
                                   void** object) = 0;
};

// UTF-16 helpers for the interfaces' wide names.
std::u16string WideFromUtf8(const std::string& text);
std::string Utf8FromWide(const std::u16string& text);

}  // namespace platform
