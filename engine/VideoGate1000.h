#pragma once
// The playback engine: plays one media file at a time through a filter graph, with the default
// renderers or through the VideoGate1000 external-output renderer. Used on the GUI thread only;
// the end of a file is found by polling (UpdatePosition), never by listening to the graph.
// Positions are media time: signed 64-bit counts of 100 ns.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "engine/StallWatch.h"
#include "platform/mediagraph/MediaGraph.h"

// The position bar the engine moves (0..10000). The main window adapts its scroll bar to this.
class TPositionBar {
 public:
  virtual ~TPositionBar() = default;
  virtual void SetMax(int max) = 0;
  virtual int Max() const = 0;
  virtual void SetPosition(int pos) = 0;
  virtual int Position() const = 0;
};

class TVideoGate1000 {
 public:
  // The media runtime of the platform, with the real renderers.
  TVideoGate1000();
  // Another runtime (a recording fake, or the media runtime with fake sinks).
  explicit TVideoGate1000(std::shared_ptr<platform::TComRuntime> runtime);
  // Stops the graph and releases it.
  ~TVideoGate1000();
  TVideoGate1000(const TVideoGate1000&) = delete;
  TVideoGate1000& operator=(const TVideoGate1000&) = delete;

  // Read by the next OpenFile only; a graph already built keeps its routing.
  void SetVideoGateVideo(bool on) { FVideoGateVideo = on; }
  void SetVideoGateAudio(bool on) { FVideoGateAudio = on; }
  // Native id of the window the video is shown in; 0 (the default) leaves it in its own window.
  void SetVideoOwner(uintptr_t owner) { FVideoOwner = owner; }
  // Files may follow each other without a gap (see QueueNext); read by the next OpenFile. Off,
  // every file gets a graph of its own and nothing can be queued.
  void SetGapless(bool on) { FGapless = on; }
  bool Gapless() const { return FGapless; }
  // Not owned; its maximum becomes 10000.
  void AttachScrollBar(TPositionBar* bar);

  void OpenFile(const std::string& name);
  void Play();
  void TogglePause();
  void Stop();
  void UpdatePosition();
  void SeekToScrollPos(int pos);
  void SetPosition(int64_t pos);
  int64_t GetPosition();
  // The stop position, which is the length of the loaded file; 0 when it cannot be read.
  int64_t GetStopPosition();
  void SkipSeconds(int64_t n);
  // Gives the file to play after the current one, decoded into the running output so that it
  // follows without a gap. False when it cannot join (gapless off, the VideoGate1000 output, a
  // video, no graph): the caller then opens it when the current file ends, as always. A file
  // queued that proves unplayable is dropped; the current file then simply ends.
  bool QueueNext(const std::string& name);
  // Drops the queued file; a seek does that itself.
  void ClearQueued();
  const std::string& QueuedName() const { return FQueuedName; }

  bool Playing() const { return FPlaying; }
  bool Paused() const { return FPaused; }
  bool Ended() const { return FEnded; }
  // Clearing Ended also clears AdvancedGapless: the caller has handled the advance.
  void SetEnded(bool ended) {
    FEnded = ended;
    if (!ended) FAdvancedGapless = false;
  }
  // With Ended: the queued file is playing already, FileName() is its name and positions are
  // its own. The caller does what it does at an advance, except opening and playing the file.
  bool AdvancedGapless() const { return FAdvancedGapless; }
  // The file last opened cannot be played: its graph could not be built, the graph reported an
  // error, or it made no progress while running (see TStallWatch). Such a file counts as played
  // to its end: UpdatePosition raises Ended for it. Cleared by the next OpenFile.
  bool Failed() const { return FFailed; }
  bool VideoGateVideo() const { return FVideoGateVideo; }
  bool VideoGateAudio() const { return FVideoGateAudio; }
  uintptr_t VideoOwner() const { return FVideoOwner; }
  int32_t SourceWidth() const { return FSourceWidth; }
  int32_t SourceHeight() const { return FSourceHeight; }
  const std::string& FileName() const { return FFileName; }

 private:
  void Construct();
  void ClearGraph();
  void RemoveFilterSnapshot(bool* moreLeft);
  void RouteToVideoGate();
  bool OpenThroughSourceFilter(const std::string& graphName);
  platform::ComPtr<platform::IPin> FindConnectedPin(platform::IBaseFilter* filter);
  platform::ComPtr<platform::IPin> FindOutputPin(platform::IBaseFilter* filter);
  void PlaceVideoWindow();
  bool ReadPositions(int64_t* current, int64_t* stop);
  void SeekTo(int64_t current);
  bool BuildGraph(const std::string& name);
  bool TakeErrorEvents();
  void QueuedStarted();
  void ReopenAt(int64_t current);
  bool Stalled(std::optional<int64_t> current);

  std::shared_ptr<platform::TComRuntime> FRuntime;
  bool FComInitialized = false;
  platform::ComPtr<platform::IGraphBuilder> FGraphBuilder;
  platform::ComPtr<platform::IMediaControl> FMediaControl;
  platform::ComPtr<platform::IMediaEvent> FMediaEvent;  // none from a graph without events
  platform::ComPtr<platform::IMediaSeeking> FMediaSeeking;
  platform::ComPtr<platform::IVideoWindow> FVideoWindow;
  platform::ComPtr<platform::IBasicVideo> FBasicVideo;
  platform::ComPtr<platform::IGaplessQueue> FQueue;  // none from a graph that cannot join
  bool FPlaying = false;
  bool FPaused = false;
  TPositionBar* FPositionBar = nullptr;
  bool FVideoGateVideo = false;
  bool FVideoGateAudio = false;
  uintptr_t FVideoOwner = 0;
  int32_t FSourceWidth = 0;
  int32_t FSourceHeight = 0;
  std::string FFileName;
  bool FEnded = false;
  bool FFailed = false;
  // Off until the owner asks: the player turns it on from its setting (on by default), and a
  // bare engine keeps one graph per file.
  bool FGapless = false;
  bool FAdvancedGapless = false;
  std::string FQueuedName;
  TStallWatch FStallWatch;
};
