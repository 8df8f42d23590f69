#pragma once
// Where the media graph's renderers send their output: the real video and audio devices of this
// machine, or fake sinks for tests. One place decides, so tests never depend on the machine's
// devices (there is no sound card here) and the real sinks are probed once per process.

#include <gst/gst.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

class QWindow;

namespace platform {

// Buffers that reached each kind of renderer (fake sinks only): tests see where a stream went.
struct TRenderCounters {
  std::atomic<long> videoRenderer{0};
  std::atomic<long> audioRenderer{0};
  std::atomic<long> gateVideo{0};
  std::atomic<long> gateAudio{0};
};

struct TSinkOptions {
  enum class TKind {
    Real,  // the machine's display and default audio device
    Fake,  // fakesink: nothing shown or heard
  };
  TKind kind = TKind::Real;
  bool sync = true;  // fake sinks: render in real time (false: as fast as the decoder goes)
  std::shared_ptr<TRenderCounters> counters;  // fake sinks: count buffers; may be null
};

enum class TSinkRole { VideoRenderer, AudioRenderer, GateVideo, GateAudio };

// A new sink element for the role (floating reference), or null when none can be made.
GstElement* MakeSink(const TSinkOptions& options, TSinkRole role);

// The native window a video renderer draws into, when the program has a GUI on X11; without one
// (tools, tests with fake sinks) it only keeps the values it is given.
class TVideoWindowHost {
 public:
  // native: make a real window when the program has a GUI (real sinks); else only keep values.
  TVideoWindowHost(const std::string& title, bool native);
  ~TVideoWindowHost();
  TVideoWindowHost(const TVideoWindowHost&) = delete;
  TVideoWindowHost& operator=(const TVideoWindowHost&) = delete;

  uintptr_t WindowId() const;  // 0 without a native window
  // Hands the window to a video sink before it prerolls, so the sink never opens its own.
  void AttachSink(GstElement* sink);
  void SetOwner(uintptr_t owner);
  void SetStyle(long style) { style_ = style; }
  void SetGeometry(long left, long top, long width, long height);
  void Geometry(long* left, long* top, long* width, long* height) const;
  // Sizes a window of its own (no owner, no position given) to the picture.
  void FitToVideo(int width, int height);
  void SetVisible(bool visible);
  uintptr_t Owner() const { return owner_; }
  long Style() const { return style_; }

 private:
  std::unique_ptr<QWindow> window_;
  std::unique_ptr<QWindow> ownerWindow_;  // foreign-window wrapper of the owner
  uintptr_t owner_ = 0;
  long style_ = 0;
  long left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool placed_ = false;
};

}  // namespace platform
