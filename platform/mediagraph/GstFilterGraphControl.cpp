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
