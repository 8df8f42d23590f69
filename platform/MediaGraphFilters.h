#pragma once
// Filters and pins of the GStreamer media graph. A filter is one top-level element (usually a bin)
// of the graph's pipeline; its pins are that element's pads (ghost pads for bins). Pin objects are
// made on demand and cached per pad, so the same pad always answers as the same pin.
// All of this is used on the GUI thread only, except where a comment says otherwise.

#include <gst/gst.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/MediaGraph.h"
#include "platform/MediaGraphSinks.h"

namespace platform {

class TGstFilter;
class TGstFilterGraph;

// AddRef/Release for an object implementing one or more interfaces; the creator holds the first
// reference (take it with ComPtr<>::Attach).
template <class... Interfaces>
class TComObject : public Interfaces... {
 public:
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  virtual ~TComObject() = default;

 private:
  std::atomic<ULONG> refs_{1};
};

// What a pad carries, from its caps: raw video and raw audio are what renderers take.
enum class TMediaKind { Unknown, Video, Audio, Other };
TMediaKind KindOfCaps(const GstCaps* caps);
TMediaKind KindOfPad(GstPad* pad);  // current caps, else what the pad can take or give
bool IsRawCaps(const GstCaps* caps);

class TGstPin final : public TComObject<IPin> {
 public:
  TGstPin(TGstFilter* filter, GstPad* pad);
  HRESULT QueryInterface(REFIID iid, void** object) override;
  HRESULT ConnectedTo(IPin** pin) override;
  HRESULT QueryDirection(PIN_DIRECTION* direction) override;
  HRESULT QueryPinInfo(PIN_INFO* info) override;

  GstPad* Pad() const { return pad_; }
  TGstFilter* Filter() const { return filter_.Get(); }
  bool IsConnected() const;

 private:
  ~TGstPin() override;
  ComPtr<TGstFilter> filter_;  // a pin keeps its filter alive, never the other way round
  GstPad* pad_;
};

class TGstFilter : public TComObject<IBaseFilter> {
 public:
  HRESULT QueryInterface(REFIID iid, void** object) override;
  HRESULT EnumPins(IEnumPins** pins) override;
  HRESULT FindPin(LPCWSTR id, IPin** pin) override;
  HRESULT QueryFilterInfo(FILTER_INFO* info) override;

  GstElement* Element() const { return element_; }
  TGstFilterGraph* Graph() const { return graph_; }
  const std::u16string& Name() const { return name_; }
  void Joined(TGstFilterGraph* graph, const std::u16string& name);
  void Left();

  // The pin object of one of this filter's pads (cached: one object per pad).
  ComPtr<TGstPin> PinFor(GstPad* pad);
  std::vector<ComPtr<TGstPin>> Pins();
  void ForgetPin(GstPad* pad);  // a pin object going away

  // Renderers end streams; a graph routes decoded streams to their free input pins.
  virtual bool IsRenderer() const { return false; }
  // A free input pin that takes a stream of this kind, or null.
  virtual GstPad* FreeInputFor(TMediaKind kind);
  // Called before a stream is linked to one of this filter's input pads / after it is unlinked:
  // a filter may build or tear down what sits behind the pad.
  virtual bool PrepareInput(GstPad*) { return true; }
  virtual void InputReleased(GstPad*) {}
  // Whether the element belongs inside the pipeline now: renderers only while connected, since
  // an unconnected sink stops the pipeline's preroll and its end of stream.
  virtual bool WantsPipeline() const { return true; }
  // Removing a filter that feeds others stops the whole graph (see TGstFilterGraph::RemoveFilter).
  virtual bool FeedsOthers() const { return true; }
  // The graph's run state changed, or a graph finished prerolling.
  virtual void RunStateChanged(OAFilterState) {}
  virtual void Prerolled() {}

 protected:
  explicit TGstFilter(GstElement* element);  // takes the floating reference
  ~TGstFilter() override;

 private:
  GstElement* element_;
  TGstFilterGraph* graph_ = nullptr;  // set while in a graph; the graph outlives its membership
  std::u16string name_;
  std::map<GstPad*, TGstPin*> pins_;  // weak: a pin removes itself when it goes
};

// The file source: a bin around filesrc with one output pin, "Output".
class TSourceFilter final : public TGstFilter {
 public:
  static ComPtr<TSourceFilter> Create(const std::string& path);

 private:
  using TGstFilter::TGstFilter;
};

// Demultiplexing and decoding in one filter (decodebin). Its output pins appear while the graph
// prerolls; the streaming thread parks each new pad (blocked) for the GUI thread to link.
class TDecoderFilter final : public TGstFilter {
 public:
  static ComPtr<TDecoderFilter> Create();
  // Pads waiting to be linked, oldest first; each stays blocked until Unblock.
  std::vector<GstPad*> TakeParkedPads();
  void Unblock(GstPad* pad);
  bool HasParkedPads();
  bool NoMorePads() const { return noMorePads_; }

 private:
  explicit TDecoderFilter(GstElement* element);
  ~TDecoderFilter() override;
  static void OnPadAdded(GstElement* element, GstPad* pad, gpointer self);
  static void OnNoMorePads(GstElement* element, gpointer self);

  std::mutex mutex_;                       // guards parked_ (streaming threads add to it)
  std::vector<std::pair<GstPad*, gulong>> parked_;  // pad (with a reference), blocking probe id
  std::map<GstPad*, gulong> blocked_;      // taken but not yet unblocked (GUI thread only)
  std::atomic<bool> noMorePads_{false};
  gulong padAddedId_ = 0;
  gulong noMorePadsId_ = 0;
};

// A converter the graph inserts between two pins whose formats differ.
class TConverterFilter final : public TGstFilter {
 public:
  static ComPtr<TConverterFilter> Create(TMediaKind kind);
  static const char16_t* NameFor(TMediaKind kind);

 private:
  using TGstFilter::TGstFilter;
};

// A renderer with one input pin and one sink; what it takes and renders depends on the role.
class TRendererFilter : public TGstFilter {
 public:
  // "Video Renderer" (with a window of its own) or "Default DirectSound Device".
  static ComPtr<TRendererFilter> Create(TMediaKind kind, const TSinkOptions& sinks);
  static const char16_t* NameFor(TMediaKind kind);

  bool IsRenderer() const override { return true; }
  GstPad* FreeInputFor(TMediaKind kind) override;
  bool WantsPipeline() const override;
  bool FeedsOthers() const override { return false; }
  void RunStateChanged(OAFilterState state) override;
  void Prerolled() override;

  TMediaKind Kind() const { return kind_; }
  // The picture size negotiated on the input; false before that or for audio.
  bool VideoSize(int* width, int* height) const;
  TVideoWindowHost* Window() { return window_.get(); }

 private:
  TRendererFilter(GstElement* element, TMediaKind kind, std::unique_ptr<TVideoWindowHost> window);
  TMediaKind kind_;
  std::unique_ptr<TVideoWindowHost> window_;
};

// Snapshots of pins and filters with enumerator semantics.
class TPinEnum final : public TComObject<IEnumPins> {
 public:
  explicit TPinEnum(std::vector<ComPtr<TGstPin>> pins) : pins_(std::move(pins)) {}
  HRESULT QueryInterface(REFIID iid, void** object) override;
  HRESULT Next(ULONG count, IPin** pins, ULONG* fetched) override;
  HRESULT Skip(ULONG count) override;
  HRESULT Reset() override;

 private:
  std::vector<ComPtr<TGstPin>> pins_;
  size_t next_ = 0;
};

class TFilterEnum final : public TComObject<IEnumFilters> {
 public:
  explicit TFilterEnum(TGstFilterGraph* graph);  // holds a reference to the graph
  HRESULT QueryInterface(REFIID iid, void** object) override;
  HRESULT Next(ULONG count, IBaseFilter** filters, ULONG* fetched) override;
  HRESULT Skip(ULONG count) override;
  HRESULT Reset() override;

 private:
  ~TFilterEnum() override;
  TGstFilterGraph* graph_;
  std::vector<ComPtr<TGstFilter>> filters_;
  uint64_t version_ = 0;
  size_t next_ = 0;
};

// Copies a name into a fixed-size wide field, cut to fit with its terminating zero.
void CopyName(const std::u16string& name, WCHAR* field, size_t fieldSize);

}  // namespace platform
