#include "platform/mediagraph/GstFilterGraph.h"

#include <gst/pbutils/missing-plugins.h>

#include <algorithm>

#include "platform/mediagraph/RendererFilter.h"

namespace platform {

void TGstFilterGraph::DrainBus() {
  while (GstMessage* message = gst_bus_pop(bus_)) {
    HandleMessage(message);
    gst_message_unref(message);
  }
  if (adding_ == nullptr) RouteLatePads();  // a build routes its own pads
  CheckAdvance();
}

bool TGstFilterGraph::PumpBusUntil(gint64 deadline) {
  const gint64 left = deadline - g_get_monotonic_time();
  if (left <= 0) return false;
  GstMessage* message =
      gst_bus_timed_pop(bus_, std::min<GstClockTime>(kBusSlice, left * GST_USECOND));
  if (message != nullptr) {
    HandleMessage(message);
    gst_message_unref(message);
  }
  return true;
}

void TGstFilterGraph::HandleMessage(GstMessage* message) {
  const bool fromPipeline = GST_MESSAGE_SRC(message) == GST_OBJECT(pipeline_);
  switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_ERROR: {
      const bool fromSink = GST_IS_ELEMENT(GST_MESSAGE_SRC(message)) &&
                            GST_OBJECT_FLAG_IS_SET(GST_MESSAGE_SRC(message), GST_ELEMENT_FLAG_SINK);
      state_.ErrorArrived(fromSink);
      // A device that failed while playing is probed again for the next file.
      if (fromSink && sinks_.kind == TSinkOptions::TKind::Real) ProbeOf(sinks_).Forget();
      // A stream that fails while playing has ended: the engine moves on instead of waiting.
      if (state_.Running()) StreamEnded();
      // A build reports its own failure through its result; any other error is an event.
      if (adding_ == nullptr) QueueEvent(EC_ERRORABORT, E_FAIL);
      break;
    }
    case GST_MESSAGE_EOS:
      if (!fromPipeline) break;
      StreamEnded();
      QueueEvent(EC_COMPLETE, S_OK);
      break;
    case GST_MESSAGE_ASYNC_DONE:
      if (fromPipeline && position_.SeekPending()) position_.SeekDone(!state_.Running());
      break;
    case GST_MESSAGE_DURATION_CHANGED:
      position_.SetLength(std::nullopt);
      break;
    case GST_MESSAGE_CLOCK_LOST:
      if (state_.Running()) {
        gst_element_set_state(pipeline_, GST_STATE_PAUSED);
        gst_element_set_state(pipeline_, GST_STATE_PLAYING);
      }
      break;
    case GST_MESSAGE_LATENCY:
      gst_bin_recalculate_latency(GST_BIN(pipeline_));
      break;
    case GST_MESSAGE_ELEMENT:
      if (gst_is_missing_plugin_message(message)) state_.PluginMissing();
      break;
    default:
      break;
  }
}

// Where the stream stopped is its real end, whatever length it claimed: stop is at least that.
void TGstFilterGraph::StreamEnded() {
  gint64 ns = -1;
  if (!position_.SeekPending() && !position_.Held() &&
      gst_element_query_position(pipeline_, GST_FORMAT_TIME, &ns) && ns >= 0)
    position_.Observed(ns / 100);
  position_.StreamEnded();
}

void TGstFilterGraph::QueueEvent(long eventCode, LONG_PTR param1) {
  if (events_.size() >= kMaxEvents) events_.pop_front();
  events_.emplace_back(eventCode, param1);
}

HRESULT TGstFilterGraph::GetEvent(long* eventCode, LONG_PTR* param1, LONG_PTR* param2,
                                  long timeoutMs) {
  if (eventCode == nullptr || param1 == nullptr || param2 == nullptr) return E_POINTER;
  DrainBus();
  const gint64 deadline = Deadline(std::max(timeoutMs, 0L) * gint64{1000});
  while (events_.empty() && PumpBusUntil(deadline)) {
  }
  if (events_.empty()) return E_ABORT;
  *eventCode = events_.front().first;
  *param1 = events_.front().second;
  *param2 = 0;
  events_.pop_front();
  return S_OK;
}

HRESULT TGstFilterGraph::FreeEventParams(long, LONG_PTR, LONG_PTR) { return S_OK; }

HRESULT TGstFilterGraph::WaitForPreroll(gint64 timeoutUs) {
  const gint64 deadline = Deadline(timeoutUs);
  state_.WaitStarted();
  for (;;) {
    DrainBus();
    if (state_.ErrorSeen()) return E_FAIL;
    const GstStateChangeReturn r = gst_element_get_state(pipeline_, nullptr, nullptr, 0);
    if (r == GST_STATE_CHANGE_FAILURE) return E_FAIL;
    if (r != GST_STATE_CHANGE_ASYNC) {
      if (position_.SeekPending()) position_.SeekDone(!state_.Running());
      return S_OK;
    }
    if (!PumpBusUntil(deadline)) return VFW_E_TIMEOUT;
  }
}

// ---- IMediaControl ----

HRESULT TGstFilterGraph::SetPipelineState(GstState state) {
  if (!state_.Live()) return S_OK;  // nothing rendered: the state is only remembered
  if (state_.NeedsReseek() && FAILED(RepreparePipeline())) return E_FAIL;
  return gst_element_set_state(pipeline_, state) == GST_STATE_CHANGE_FAILURE ? E_FAIL : S_OK;
}

void TGstFilterGraph::NotifyRunState() {
  for (const ComPtr<TGstFilter>& f : filters_) f->RunStateChanged(state_.Requested());
}

// The graph counts as being in the new state even when the pipeline refused it, as the
// caller is told through the result.
HRESULT TGstFilterGraph::EnterState(GstState pipelineState, OAFilterState graphState) {
  DrainBus();
  const HRESULT hr = SetPipelineState(pipelineState);
  state_.Enter(graphState);
  NotifyRunState();
  return hr;
}

// A position held by Stop is sought before the streams run again.
HRESULT TGstFilterGraph::Run() {
  DrainBus();
  if (const std::optional<int64_t> held = position_.Held(); held && state_.Live()) {
    const HRESULT hr = SeekTo(*held);
    if (FAILED(hr)) return hr;
  }
  position_.Running();
  return EnterState(GST_STATE_PLAYING, State_Running);
}

HRESULT TGstFilterGraph::Pause() { return EnterState(GST_STATE_PAUSED, State_Paused); }

HRESULT TGstFilterGraph::Stop() {
  DrainBus();
  // Stopping a running graph holds the position it had when Stop was called: Run resumes from
  // there, and positions read meanwhile give it, though the renderers may take one more buffer
  // while pausing. A seek just made is that position already, and its flush lands there.
  LONGLONG hold = 0;
  LONGLONG end = 0;
  const bool holdPosition = state_.Running() && state_.Live() && !position_.Ended() &&
                            !position_.SeekPending() && SUCCEEDED(GetPositions(&hold, &end));
  // Stopped is prerolled PAUSED here: READY would drop the decoder's streams and positions.
  const bool seeking = position_.SeekPending();
  HRESULT hr = SetPipelineState(GST_STATE_PAUSED);
  state_.Enter(State_Stopped);
  if (SUCCEEDED(hr) && holdPosition) position_.Hold(hold);
  // A seek made while running completes here, as one made while stopped would.
  if (SUCCEEDED(hr) && seeking && state_.Live()) hr = WaitForPreroll(kPrerollTimeoutUs);
  NotifyRunState();
  return hr;
}

HRESULT TGstFilterGraph::GetState(long, OAFilterState* state) {
  if (state == nullptr) return E_POINTER;
  DrainBus();
  *state = state_.Requested();
  return S_OK;
}

// ---- IMediaSeeking (media time: 100 ns = GStreamer nanoseconds / 100) ----

// Reads the stream's length when it is not known (first use, or changed since).
void TGstFilterGraph::ReadLength() {
  if (position_.KnowsLength() || !state_.Live()) return;
  gint64 ns = -1;
  if (gst_element_query_duration(pipeline_, GST_FORMAT_TIME, &ns) && ns >= 0)
    position_.SetLength(ns / 100);
}

HRESULT TGstFilterGraph::SetTimeFormat(const GUID* format) {
  if (format == nullptr) return E_POINTER;
  return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : E_INVALIDARG;
}

HRESULT TGstFilterGraph::GetDuration(LONGLONG* duration) { return GetStopPosition(duration); }

HRESULT TGstFilterGraph::GetStopPosition(LONGLONG* stop) {
  if (stop == nullptr) return E_POINTER;
  LONGLONG current = 0;
  return GetPositions(&current, stop);
}

HRESULT TGstFilterGraph::GetCurrentPosition(LONGLONG* current) {
  LONGLONG stop = 0;
  return GetPositions(current, &stop);
}

HRESULT TGstFilterGraph::GetPositions(LONGLONG* current, LONGLONG* stop) {
  if (current == nullptr || stop == nullptr) return E_POINTER;
  DrainBus();
  if (!state_.Live()) return filters_.empty() ? E_NOTIMPL : VFW_E_WRONG_STATE;
  ReadLength();
  // Pending seeks report their target and a held position itself; else the stream is asked.
  if (!position_.Ended() && !position_.SeekPending() && !position_.Held() &&
      position_.KnowsLength()) {
    // With a file joined behind it the sink moves on early: the running time tells.
    const std::optional<int64_t> joined = join_ ? join_->Position(RunningTime()) : std::nullopt;
    gint64 ns = -1;
    if (joined) position_.Observed(*joined / 100);
    else if (gst_element_query_position(pipeline_, GST_FORMAT_TIME, &ns) && ns >= 0)
      position_.Observed(ns / 100);
  }
  int64_t now = 0;
  int64_t end = 0;
  if (!position_.Report(&now, &end)) return E_FAIL;
  *current = now;
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
  if (!state_.Live()) return filters_.empty() ? E_NOTIMPL : VFW_E_WRONG_STATE;
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

HRESULT TGstFilterGraph::SeekTo(int64_t target) {
  // The queued file goes; when the output had moved on to it already, this file is gone.
  if (join_ && !join_->Drop()) return VFW_E_WRONG_STATE;
  ReadLength();
  // A graph prerolled exactly there, with nothing run or edited since, has nothing to redo (the
  // rewind after a build).
  if (!state_.Running() && !state_.NeedsReseek() && position_.StandsAt(target)) return S_OK;
  state_.Resought();
  if (!SendSeek(position_.SeekSent(target))) return E_FAIL;
  // While stopped or paused the seek completes here, so positions read next are settled.
  if (!state_.Running()) return WaitForPreroll(kPrerollTimeoutUs);
  return S_OK;
}

// Flushing and accurate: a key-unit seek moved a 1.3 s target to 0 s.
bool TGstFilterGraph::SendSeek(int64_t target) {
  if (sinks_.counters) ++sinks_.counters->seeks;
  const auto flags = static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE);
  // concat (GStreamer 1.22) loses a buffer now and then when a flushing seek passes it while
  // the stream runs: a joinable graph pauses for the seek and runs on.
  const bool pause = JoinableRenderer() != nullptr && state_.Running();
  if (pause) {
    gst_element_set_state(pipeline_, GST_STATE_PAUSED);
    gst_element_get_state(pipeline_, nullptr, nullptr, kPrerollTimeoutUs * GST_USECOND);
  }
  const bool sent = gst_element_seek_simple(pipeline_, GST_FORMAT_TIME, flags, target * 100);
  if (pause) gst_element_set_state(pipeline_, GST_STATE_PLAYING);
  return sent;
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

HRESULT TGstFilterGraph::SourceSize(int* width, int* height) const {
  TRendererFilter* renderer = VideoRenderer();
  if (renderer == nullptr) return E_NOINTERFACE;
  return renderer->VideoSize(width, height) ? S_OK : VFW_E_NOT_CONNECTED;
}

HRESULT TGstFilterGraph::get_SourceWidth(long* width) {
  if (width == nullptr) return E_POINTER;
  int w = 0;
  int h = 0;
  const HRESULT hr = SourceSize(&w, &h);
  if (hr == S_OK) *width = w;
  return hr;
}

HRESULT TGstFilterGraph::get_SourceHeight(long* height) {
  if (height == nullptr) return E_POINTER;
  int w = 0;
  int h = 0;
  const HRESULT hr = SourceSize(&w, &h);
  if (hr == S_OK) *height = h;
  return hr;
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
