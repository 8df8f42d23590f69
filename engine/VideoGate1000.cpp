#include "engine/VideoGate1000.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdint>
#include <vector>

#include "platform/CodePage.h"
#include "platform/mediagraph/MediaRuntime.h"
#include "platform/MessageBox.h"

using namespace platform;

namespace {

constexpr int kBarMax = 10000;
constexpr ULONG kSnapshotSize = 50;
constexpr size_t kMaxPathChars = 259;  // a 260-character buffer with its terminating zero
// A graph that keeps growing while it is being emptied is not emptied forever.
constexpr int kMaxClearRounds = 100;

const char16_t kVideoRenderer[] = u"Video Renderer";
const char16_t kAudioRenderer[] = u"Default DirectSound Device";
const char16_t kGateFilterName[] = u"Canopus VideoGate1000 Renderer Filter";
const char16_t kVideoIn[] = u"Video-In";
const char16_t kAudioIn[] = u"Audio-In";
const char16_t kSourceName[] = u"SOURCE";

void ShowError(const char* text) { MessageBoxA(text, "Error", MB_OK); }

// The name as the graph gets it: the same bytes, at most 259 whole characters. The file system
// names files in bytes, so a conversion on the way (a Shift-JIS name read as anything else)
// would hand the file source another name.
std::string ToGraphName(const std::string& name) {
  return name.substr(0, LeadingCharsLength(name, kMaxPathChars));
}

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// The filter's name as at most 128 UTF-16 characters, in the ANSI code page.
std::string FilterName(IBaseFilter* filter) {
  FILTER_INFO info{};
  if (FAILED(filter->QueryFilterInfo(&info))) return {};
  size_t len = 0;
  while (len < MAX_FILTER_NAME && info.achName[len] != 0) ++len;
  return WideToAnsi(std::u16string_view(info.achName, len));
}

bool ExtensionIsWmv(const std::string& name) {
  const size_t dot = name.rfind('.');
  return dot != std::string::npos && name.compare(dot, std::string::npos, ".wmv") == 0;
}

// Takes the filters of the graph into a snapshot of at most 50 before anything is removed, so that
// no enumerator is used while the graph changes. Gives the number of filters counted, or -1.
long SnapshotFilters(IGraphBuilder* graph, std::vector<ComPtr<IBaseFilter>>* snapshot) {
  ComPtr<IEnumFilters> filters;
  if (FAILED(graph->EnumFilters(filters.Put())) || !filters) return -1;
  long count = 0;
  while (filters->Skip(1) == S_OK) ++count;
  filters->Reset();
  IBaseFilter* filter = nullptr;
  while (snapshot->size() < kSnapshotSize && filters->Next(1, &filter, nullptr) == S_OK) {
    snapshot->push_back(ComPtr<IBaseFilter>::Attach(filter));
  }
  return count;
}

// Arithmetic on positions read from a file: a corrupt length must not overflow (that would be
// undefined), so products are formed wide and results saturate; normal values are unaffected.
int64_t Saturate(__int128 v) {
  if (v > INT64_MAX) return INT64_MAX;
  if (v < INT64_MIN) return INT64_MIN;
  return static_cast<int64_t>(v);
}
int64_t SaturatingMul(int64_t a, int64_t b) { return Saturate(static_cast<__int128>(a) * b); }
int64_t SaturatingAdd(int64_t a, int64_t b) { return Saturate(static_cast<__int128>(a) + b); }

// stop × pos div 10000, truncated toward zero.
int64_t ScaleToBar(int64_t stop, int pos) {
  return Saturate(static_cast<__int128>(stop) * pos / kBarMax);
}

// trunc(current × 10000 / stop): the product is exact, the division in floating point.
int BarPosition(int64_t current, int64_t stop) {
  const double ratio = static_cast<double>(static_cast<__int128>(current) * kBarMax) /
                       static_cast<double>(stop);
  return static_cast<int>(std::clamp(ratio, static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}

}  // namespace

TVideoGate1000::TVideoGate1000() : FRuntime(DefaultMediaRuntime()) { Construct(); }

TVideoGate1000::TVideoGate1000(std::shared_ptr<TComRuntime> runtime) : FRuntime(std::move(runtime)) {
  Construct();
}

void TVideoGate1000::Construct() {
  if (!FRuntime || FAILED(FRuntime->CoInitialize())) {
    ShowError("CoInitialize Faild!");
    return;
  }
  FComInitialized = true;
  if (FAILED(FRuntime->CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_IGraphBuilder, FGraphBuilder.PutVoid())) ||
      !FGraphBuilder) {
    ShowError("Create IGraphBuilder Faild!");
    // The four queries below need the graph manager: one message for the one cause.
    FGraphBuilder.Reset();
    return;
  }
  if (FAILED(FGraphBuilder->QueryInterface(IID_IMediaControl, FMediaControl.PutVoid())))
    ShowError("Query IMediaControl Faild!");
  // Events only tell a failure apart from an end; a graph without them still plays.
  if (FAILED(FGraphBuilder->QueryInterface(IID_IMediaEvent, FMediaEvent.PutVoid())))
    FMediaEvent.Reset();
  if (FAILED(FGraphBuilder->QueryInterface(IID_IMediaSeeking, FMediaSeeking.PutVoid())))
    ShowError("Query IMediaSeeking Faild!");
  if (FAILED(FGraphBuilder->QueryInterface(IID_IBasicVideo, FBasicVideo.PutVoid())))
    ShowError("Query IBasicVideo Faild!");
  if (FAILED(FGraphBuilder->QueryInterface(IID_IVideoWindow, FVideoWindow.PutVoid())))
    ShowError("Query IVideoWindows Faild!");
  if (FAILED(FGraphBuilder->QueryInterface(IID_IGaplessQueue, FQueue.PutVoid()))) FQueue.Reset();
}

TVideoGate1000::~TVideoGate1000() {
  if (FMediaControl) FMediaControl->Stop();
  FMediaControl.Reset();
  FMediaEvent.Reset();
  FMediaSeeking.Reset();
  FVideoWindow.Reset();
  FBasicVideo.Reset();
  FQueue.Reset();
  FGraphBuilder.Reset();
  if (FComInitialized) FRuntime->CoUninitialize();
}

void TVideoGate1000::AttachScrollBar(TPositionBar* bar) {
  FPositionBar = bar;
  if (FPositionBar) FPositionBar->SetMax(kBarMax);
}

void TVideoGate1000::OpenFile(const std::string& name) {
  if (FMediaControl) FMediaControl->Stop();
  ClearGraph();
  TakeErrorEvents();  // the old file's, if any: they say nothing about this one
  FFileName = name;
  FQueuedName.clear();
  FAdvancedGapless = false;
  // The external output plays files one by one, as it always has.
  if (FQueue) FQueue->SetGapless(FGapless && !FVideoGateVideo && !FVideoGateAudio);
  FFailed = !BuildGraph(name);
  if (FBasicVideo) {
    long width = 0;
    long height = 0;
    // Without video these fail, and the previous sizes stay.
    if (SUCCEEDED(FBasicVideo->get_SourceWidth(&width))) FSourceWidth = static_cast<int32_t>(width);
    if (SUCCEEDED(FBasicVideo->get_SourceHeight(&height)))
      FSourceHeight = static_cast<int32_t>(height);
  }
  SeekTo(0);
  PlaceVideoWindow();
}

// False when the file cannot be played (no graph, or its graph could not be built).
bool TVideoGate1000::BuildGraph(const std::string& name) {
  if (!FGraphBuilder) return false;
  const std::string graphName = ToGraphName(name);
  if (!FVideoGateVideo && !FVideoGateAudio) {
    // Normal output: no message for a file that cannot be rendered; the caller learns it.
    return SUCCEEDED(FGraphBuilder->RenderFile(graphName.c_str(), nullptr));
  }
  if (ExtensionIsWmv(name)) {
    const bool rendered = SUCCEEDED(FGraphBuilder->RenderFile(graphName.c_str(), nullptr));
    if (!rendered) ShowError("RenderFile Faild!");
    RouteToVideoGate();
    return rendered;
  }
  return OpenThroughSourceFilter(graphName);
}

// The VideoGate1000 path for anything but ".wmv": the source's output is rendered with the
// external renderer already in the graph, so the graph manager ends the stream there.
bool TVideoGate1000::OpenThroughSourceFilter(const std::string& graphName) {
  ClearGraph();
  ComPtr<IBaseFilter> source;
  const bool haveSource =
      SUCCEEDED(FGraphBuilder->AddSourceFilter(graphName.c_str(), kSourceName, source.Put())) &&
      source;
  if (!haveSource) ShowError("AddSourceFilter Faild!");
  ComPtr<IPin> output;
  if (haveSource) output = FindOutputPin(source.Get());

  ComPtr<IBaseFilter> renderer;
  if (FAILED(FRuntime->CoCreateInstance(CLSID_VideoGate1000Renderer, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_IBaseFilter, renderer.PutVoid())))
    renderer.Reset();
  if (!renderer) ShowError("VideoGate1000 Create Faild!");
  // Without a renderer the graph manager would be handed nothing: the call fails as it would.
  if (!renderer || FAILED(FGraphBuilder->AddFilter(renderer.Get(), kGateFilterName)))
    ShowError("VideoGate1000 AddFilter Faild!");

  if (!haveSource) return false;  // nothing to render: the rest needs the source filter
  const bool rendered = output && SUCCEEDED(FGraphBuilder->Render(output.Get()));
  if (!rendered) ShowError("Render Faild!");
  return rendered;
}

void TVideoGate1000::ClearGraph() {
  if (!FGraphBuilder) return;
  // One snapshot holds 50 filters; a larger graph is emptied in further rounds.
  bool moreLeft = true;
  for (int round = 0; moreLeft && round < kMaxClearRounds; ++round) RemoveFilterSnapshot(&moreLeft);
}

void TVideoGate1000::RemoveFilterSnapshot(bool* moreLeft) {
  std::vector<ComPtr<IBaseFilter>> snapshot;
  const long count = SnapshotFilters(FGraphBuilder.Get(), &snapshot);
  *moreLeft = count > static_cast<long>(kSnapshotSize);
  if (count < 0) return;
  for (ComPtr<IBaseFilter>& filter : snapshot) {
    FGraphBuilder->RemoveFilter(filter.Get());
    filter.Reset();
  }
}

void TVideoGate1000::RouteToVideoGate() {
  if (!FVideoGateVideo && !FVideoGateAudio) return;
  std::vector<ComPtr<IBaseFilter>> snapshot;
  if (SnapshotFilters(FGraphBuilder.Get(), &snapshot) < 0) return;

  ComPtr<IPin> videoSource;
  ComPtr<IPin> audioSource;
  const std::string videoName = WideToAnsi(kVideoRenderer);
  const std::string audioName = WideToAnsi(kAudioRenderer);
  for (const ComPtr<IBaseFilter>& filter : snapshot) {
    const std::string name = FilterName(filter.Get());
    // The peer must be read before removal, which breaks the connection.
    if (FVideoGateVideo && name == videoName) {
      videoSource = FindConnectedPin(filter.Get());
      FGraphBuilder->RemoveFilter(filter.Get());
    }
    if (FVideoGateAudio && name == audioName) {
      audioSource = FindConnectedPin(filter.Get());
      FGraphBuilder->RemoveFilter(filter.Get());
    }
  }

  ComPtr<IBaseFilter> renderer;
  if (FAILED(FRuntime->CoCreateInstance(CLSID_VideoGate1000Renderer, nullptr,
                                        CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
                                        IID_IBaseFilter, renderer.PutVoid())) ||
      !renderer) {
    return;  // nothing to connect to; the removed streams stay silent, as with no device
  }
  FGraphBuilder->AddFilter(renderer.Get(), kGateFilterName);
  ComPtr<IPin> videoIn;
  ComPtr<IPin> audioIn;
  renderer->FindPin(kVideoIn, videoIn.Put());
  renderer->FindPin(kAudioIn, audioIn.Put());
  if (FVideoGateVideo && videoSource && videoIn)
    FGraphBuilder->Connect(videoSource.Get(), videoIn.Get());
  if (FVideoGateAudio && audioSource && audioIn)
    FGraphBuilder->Connect(audioSource.Get(), audioIn.Get());
}

ComPtr<IPin> TVideoGate1000::FindConnectedPin(IBaseFilter* filter) {
  ComPtr<IPin> result;
  ComPtr<IEnumPins> pins;
  if (FAILED(filter->EnumPins(pins.Put())) || !pins) return result;
  IPin* raw = nullptr;
  while (pins->Next(1, &raw, nullptr) == S_OK) {
    ComPtr<IPin> pin = ComPtr<IPin>::Attach(raw);
    PIN_DIRECTION direction = PINDIR_OUTPUT;
    if (FAILED(pin->QueryDirection(&direction)) || direction != PINDIR_INPUT) continue;
    ComPtr<IPin> peer;
    if (pin->ConnectedTo(peer.Put()) == S_OK && peer) result = peer;  // the last one wins
  }
  return result;
}

ComPtr<IPin> TVideoGate1000::FindOutputPin(IBaseFilter* filter) {
  ComPtr<IPin> result;
  ComPtr<IEnumPins> pins;
  if (FAILED(filter->EnumPins(pins.Put())) || !pins) return result;
  pins->Reset();
  IPin* raw = nullptr;
  while (pins->Next(1, &raw, nullptr) == S_OK) {
    ComPtr<IPin> pin = ComPtr<IPin>::Attach(raw);
    PIN_DIRECTION direction = PINDIR_INPUT;
    if (SUCCEEDED(pin->QueryDirection(&direction)) && direction == PINDIR_OUTPUT) result = pin;
  }
  return result;
}

void TVideoGate1000::PlaceVideoWindow() {
  if (FVideoOwner == 0 || !FVideoWindow) return;
  const int64_t w = FSourceWidth;
  const int64_t h = FSourceHeight;
  // No video size known (no video, or none read yet): there is no picture to place.
  if (w <= 0 || h <= 0) return;
  FVideoWindow->put_Owner(FVideoOwner);
  FVideoWindow->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
  const int64_t sx = std::max<int64_t>(720 / w, 1);
  const int64_t sy = std::max<int64_t>(480 / h, 1);
  const int64_t scale = std::min(sx, sy);
  const int64_t width = (w * scale) / 2;
  const int64_t height = (h * scale) / 2;
  const int64_t left = (360 - width) / 2;
  const int64_t top = (240 - height) / 2;
  FVideoWindow->SetWindowPosition(static_cast<long>(left), static_cast<long>(top),
                                  static_cast<long>(width), static_cast<long>(height));
}

void TVideoGate1000::Play() {
  if (!FMediaControl) return;
  FPlaying = true;
  FPaused = false;
  FMediaControl->Run();
  FEnded = false;
  FStallWatch.Restart(NowMs());
}

void TVideoGate1000::TogglePause() {
  if (!FMediaControl) return;
  if (FPaused) FMediaControl->Run();
  else FMediaControl->Pause();
  FPaused = !FPaused;
  FStallWatch.Restart(NowMs());
}

void TVideoGate1000::Stop() {
  if (!FMediaControl) return;
  SetPosition(0);
  UpdatePosition();
  FMediaControl->Stop();
  FPlaying = false;
}

bool TVideoGate1000::ReadPositions(int64_t* current, int64_t* stop) {
  if (!FMediaSeeking) return false;
  LONGLONG cur = 0;
  LONGLONG end = 0;
  if (FAILED(FMediaSeeking->GetPositions(&cur, &end))) return false;
  *current = cur;
  *stop = end;
  return true;
}

void TVideoGate1000::SeekTo(int64_t current) {
  if (!FMediaSeeking) return;
  // The output may already hold the queued file's first samples: this file is built anew.
  if (!FQueuedName.empty() && FQueue->ClearQueued() == S_FALSE) return ReopenAt(current);
  FQueuedName.clear();
  LONGLONG cur = current;
  FMediaSeeking->SetPositions(&cur, AM_SEEKING_AbsolutePositioning, nullptr,
                              AM_SEEKING_NoPositioning);
}

void TVideoGate1000::UpdatePosition() {
  if (!FPlaying) return;
  if (TakeErrorEvents()) FFailed = true;
  if (FAdvancedGapless) FEnded = true;
  int64_t current = 0;
  int64_t stop = 0;
  const bool read = ReadPositions(&current, &stop);
  if (read && FPositionBar && stop != 0) FPositionBar->SetPosition(BarPosition(current, stop));
  // The graph reports current == stop once a stream has ended: that is how the end is seen.
  if (read && current == stop) FEnded = true;
  if (!FEnded && !FFailed && Stalled(read ? std::optional<int64_t>(current) : std::nullopt))
    FFailed = true;
  // A file that cannot be played counts as played: the caller goes on as after its end.
  if (FFailed) FEnded = true;
}

// Takes every event waiting; true when one of them was an error.
bool TVideoGate1000::TakeErrorEvents() {
  if (!FMediaEvent) return false;
  bool error = false;
  long code = 0;
  LONG_PTR param1 = 0;
  LONG_PTR param2 = 0;
  // Bounded: the graph keeps a bounded number of events.
  for (int taken = 0; taken < 1000 && FMediaEvent->GetEvent(&code, &param1, &param2, 0) == S_OK;
       ++taken) {
    error = error || code == EC_ERRORABORT;
    if (code == EC_QUEUED_STARTED) QueuedStarted();
    if (code == EC_QUEUED_DROPPED) FQueuedName.clear();  // the current file ends as without it
    FMediaEvent->FreeEventParams(code, param1, param2);
  }
  return error;
}

bool TVideoGate1000::QueueNext(const std::string& name) {
  FQueuedName.clear();
  if (!FQueue || !FGapless || FVideoGateVideo || FVideoGateAudio || FFailed || name.empty())
    return false;
  if (FAILED(FQueue->QueueFile(ToGraphName(name).c_str()))) return false;
  FQueuedName = name;
  return true;
}

void TVideoGate1000::ClearQueued() {
  if (FQueue && !FQueuedName.empty()) FQueue->ClearQueued();
  FQueuedName.clear();
}

// The previous file ended and the queued one plays on in the same graph.
void TVideoGate1000::QueuedStarted() {
  if (FQueuedName.empty()) return;  // an advance from a file opened since: not ours
  FFileName = FQueuedName;
  FQueuedName.clear();
  FAdvancedGapless = true;
  FStallWatch.Restart(NowMs());
}

// A fresh graph for the current file at current, in the run state it had.
void TVideoGate1000::ReopenAt(int64_t current) {
  const bool running = FPlaying && !FPaused;
  OpenFile(FFileName);
  SeekTo(current);
  if (running) FMediaControl->Run();
}

// Only a running stream can stall: time paused does not count.
bool TVideoGate1000::Stalled(std::optional<int64_t> current) {
  if (FPaused) {
    FStallWatch.Restart(NowMs());
    return false;
  }
  return FStallWatch.Poll(current, NowMs());
}

void TVideoGate1000::SeekToScrollPos(int pos) {
  if (!FMediaSeeking) return;
  LONGLONG stop = 0;
  if (FAILED(FMediaSeeking->GetStopPosition(&stop))) return;  // no length known: stay put
  int64_t target = ScaleToBar(stop, pos);
  if (target < 0) target = 0;
  if (target > stop) target = stop;
  SeekTo(target);
}

void TVideoGate1000::SetPosition(int64_t pos) { SeekTo(pos); }

int64_t TVideoGate1000::GetPosition() {
  int64_t current = 0;
  int64_t stop = 0;
  return ReadPositions(&current, &stop) ? current : 0;
}

int64_t TVideoGate1000::GetStopPosition() {
  int64_t current = 0;
  int64_t stop = 0;
  return ReadPositions(&current, &stop) ? stop : 0;
}

void TVideoGate1000::SkipSeconds(int64_t n) {
  if (!FMediaSeeking) return;
  FMediaSeeking->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME);
  int64_t current = 0;
  int64_t stop = 0;
  if (!ReadPositions(&current, &stop)) return;
  // Not clamped: the graph handles a target before the start or past the end.
  SeekTo(SaturatingAdd(current, SaturatingMul(n, 1000 * 1000 * 10)));
}
