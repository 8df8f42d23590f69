#pragma once
// Where the media graph's renderers send their output: the real video and audio devices of this
// machine, or fake sinks for tests. One place decides (Sinks.h), so tests never depend on the
// machine's devices (there is no sound card here).

#include <atomic>
#include <memory>

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

}  // namespace platform
