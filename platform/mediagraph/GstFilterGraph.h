#pragma once
// The filter graph manager on GStreamer: one GstPipeline is the graph, each filter one of its
// top-level elements. Offers the graph-building, media-control, media-seeking, basic-video and
// video-window interfaces with DirectShow's meaning.
//
// Threads: every call comes from the GUI thread, which alone changes the graph. There is no GLib
// main loop: the bus is drained at the start of each call and polled inside the bounded waits.
// States: nothing rendered yet -> pipeline NULL; stopped and paused -> PAUSED (prerolled, so
// positions stay readable); running -> PLAYING. Stop does not rewind.

#include <gst/gst.h>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/mediagraph/DecoderFilter.h"
#include "platform/mediagraph/GaplessJoin.h"
#include "platform/mediagraph/GraphState.h"
#include "platform/mediagraph/GstFilter.h"
#include "platform/mediagraph/RendererFilter.h"
#include "platform/mediagraph/SinkOptions.h"
#include "platform/mediagraph/StreamPosition.h"

namespace platform {

class TGstFilterGraph final
    : public TComObject<IGraphBuilder, IMediaControl, IMediaEvent, IMediaSeeking, IBasicVideo,
                        IVideoWindow, IGaplessQueue> {
 public:
  // Null when GStreamer cannot make a pipeline.
  static ComPtr<TGstFilterGraph> Create(const TSinkOptions& sinks);

  HRESULT QueryInterface(REFIID iid, void** object) override;

  HRESULT AddFilter(IBaseFilter* filter, LPCWSTR name) override;
  HRESULT RemoveFilter(IBaseFilter* filter) override;
  HRESULT EnumFilters(IEnumFilters** filters) override;
  HRESULT FindFilterByName(LPCWSTR name, IBaseFilter** filter) override;
  HRESULT Connect(IPin* output, IPin* input) override;
  HRESULT Render(IPin* output) override;
  HRESULT RenderFile(LPCSTR file, LPCWSTR playList) override;
  HRESULT AddSourceFilter(LPCSTR file, LPCWSTR filterName, IBaseFilter** filter) override;

  HRESULT Run() override;
  HRESULT Pause() override;
  HRESULT Stop() override;
  HRESULT GetState(long timeoutMs, OAFilterState* state) override;

  HRESULT GetEvent(long* eventCode, LONG_PTR* param1, LONG_PTR* param2, long timeoutMs) override;
  HRESULT FreeEventParams(long eventCode, LONG_PTR param1, LONG_PTR param2) override;

  HRESULT SetTimeFormat(const GUID* format) override;
  HRESULT GetDuration(LONGLONG* duration) override;
  HRESULT GetStopPosition(LONGLONG* stop) override;
  HRESULT GetCurrentPosition(LONGLONG* current) override;
  HRESULT GetPositions(LONGLONG* current, LONGLONG* stop) override;
  HRESULT SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                       DWORD stopFlags) override;

  HRESULT SetGapless(bool on) override;
  HRESULT QueueFile(LPCSTR file) override;
  HRESULT ClearQueued() override;

  HRESULT get_SourceWidth(long* width) override;
  HRESULT get_SourceHeight(long* height) override;

  HRESULT put_Owner(OAHWND owner) override;
  HRESULT put_WindowStyle(long style) override;
  HRESULT SetWindowPosition(long left, long top, long width, long height) override;
  HRESULT GetWindowPosition(long* left, long* top, long* width, long* height) override;

  // For enumerators and pins.
  uint64_t Version() const { return version_; }
  std::vector<ComPtr<TGstFilter>> Filters() const { return filters_; }
  ComPtr<TGstPin> PinOfPad(GstPad* pad);

 private:
  TGstFilterGraph(GstElement* pipeline, const TSinkOptions& sinks);
  ~TGstFilterGraph() override;

  TGstFilter* OurFilter(IBaseFilter* filter) const;
  TGstPin* OurPin(IPin* pin) const;
  TGstFilter* FilterOfElement(GstElement* element) const;
  HRESULT AddFilterAs(TGstFilter* filter, const std::u16string& name);
  void RemoveFilterFromGraph(TGstFilter* filter);
  bool InPipeline(TGstFilter* filter) const;
  bool AddToPipeline(TGstFilter* filter);
  void LeavePipeline(TGstFilter* filter);
  void SyncMembership(TGstFilter* filter);
  void TidyRenderers();

  HRESULT Build(const std::function<HRESULT()>& step);
  HRESULT RenderPin(TGstPin* pin, GstPad* onlyTo);
  HRESULT PrerollDecoder(TDecoderFilter* decoder, GstPad* onlyTo);
  void RouteParkedPads(TDecoderFilter* decoder, GstPad** onlyTo);
  bool RoutePad(GstPad* pad);
  GstPad* FreeRendererInput(TMediaKind kind) const;
  void RouteLatePads();
  bool ConnectPads(GstPad* output, GstPad* input);
  HRESULT RepreparePipeline();
  void UndoBuild(std::vector<ComPtr<TGstFilter>>& added);
  void Unlive();

  void DrainBus();
  void HandleMessage(GstMessage* message);
  // Handles at most one message, waiting up to a slice; false once the deadline has passed.
  bool PumpBusUntil(gint64 deadline);
  HRESULT WaitForPreroll(gint64 timeoutUs);
  HRESULT SetPipelineState(GstState state);
  void NotifyRunState();
  HRESULT EnterState(GstState pipelineState, OAFilterState graphState);

  void StreamEnded();
  void QueueEvent(long eventCode, LONG_PTR param1);
  void ReadLength();
  HRESULT SeekTo(int64_t target);
  bool SendSeek(int64_t target);
  TRendererFilter* VideoRenderer() const;
  TRendererFilter* JoinableRenderer() const;
  GstClockTime RunningTime() const;
  void CheckAdvance();
  TVideoWindowHost* VideoWindow() const;
  HRESULT SourceSize(int* width, int* height) const;

  // Every wait is bounded: a build 10 s (never a hang), seeks and re-routing 5 s; the bus is
  // polled in slices between checks.
  static constexpr gint64 kBuildTimeoutUs = 10 * G_USEC_PER_SEC;
  static constexpr gint64 kPrerollTimeoutUs = 5 * G_USEC_PER_SEC;
  static constexpr GstClockTime kBusSlice = 50 * GST_MSECOND;
  static gint64 Deadline(gint64 timeoutUs) { return g_get_monotonic_time() + timeoutUs; }

  GstElement* pipeline_;
  GstBus* bus_;
  TSinkOptions sinks_;
  std::vector<ComPtr<TGstFilter>> filters_;  // in the order they were added
  uint64_t version_ = 0;                     // changes with every addition and removal
  std::vector<ComPtr<TGstFilter>>* adding_ = nullptr;  // filters added by the build under way

  bool gapless_ = false;
  std::unique_ptr<TGaplessJoin> join_;  // made with the first file queued; gone with the graph

  TGraphState state_;
  TStreamPosition position_;
  // Events not yet taken (code, param1), oldest first. A caller that never takes them costs at
  // most kMaxEvents; older ones are dropped first.
  std::deque<std::pair<long, LONG_PTR>> events_;
  static constexpr size_t kMaxEvents = 64;
};

}  // namespace platform
