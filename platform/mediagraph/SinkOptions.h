#pragma once
// Where the media graph's renderers send their output: the real video and audio devices of this
// machine, or fake sinks for tests. One place decides (Sinks.h), so tests never depend on the
// machine's devices (there is no sound card here).

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

enum class TSinkRole { VideoRenderer, AudioRenderer, GateVideo, GateAudio };

// The factories tried for the real sinks, in order: the first whose element opens its device
// wins, and the last is taken when none does. The winner is kept until a sink of it fails (a
// headset unplugged, a sound server restarted); the next sink made probes again. GUI thread only.
class TSinkProbe {
 public:
  TSinkProbe(std::vector<std::string> video, std::vector<std::string> audio);
  // The process's probe with this machine's lists: xvimagesink, ximagesink, else fakesink;
  // pulsesink, alsasink, else autoaudiosink.
  static std::shared_ptr<TSinkProbe> Default();
  std::string Factory(TSinkRole role);  // probes on first use
  void Forget();

 private:
  std::vector<std::string> video_;
  std::vector<std::string> audio_;
  std::optional<std::string> videoWinner_;
  std::optional<std::string> audioWinner_;
};

// Buffers that reached each kind of renderer (fake sinks only): tests see where a stream went.
struct TRenderCounters {
  std::atomic<long> videoRenderer{0};
  std::atomic<long> audioRenderer{0};
  std::atomic<long> gateVideo{0};
  std::atomic<long> gateAudio{0};
  std::atomic<long> seeks{0};  // seeks a graph made with these options sent to its pipeline
  std::atomic<long> sinksMade{0};  // fake sinks made: a file that reuses a running one adds none
};

struct TSinkOptions {
  enum class TKind {
    Real,  // the machine's display and default audio device
    Fake,  // fakesink: nothing shown or heard
  };
  TSinkOptions() = default;
  TSinkOptions(TKind kind, bool sync, std::shared_ptr<TRenderCounters> counters,
               std::shared_ptr<TSinkProbe> probe, std::string audioFile = {})
      : kind(kind), sync(sync), counters(std::move(counters)), probe(std::move(probe)),
        audioFile(std::move(audioFile)) {}

  TKind kind = TKind::Real;
  bool sync = true;  // fake sinks: render in real time (false: as fast as the decoder goes)
  std::shared_ptr<TRenderCounters> counters;  // fake sinks: count buffers; may be null
  std::shared_ptr<TSinkProbe> probe;          // real sinks; null: TSinkProbe::Default()
  // Fake sinks: when set, the audio renderer appends what it renders to this file instead, as
  // 16-bit stereo 44.1 kHz samples without a header (recordings for tests and benchmarks).
  std::string audioFile;
};


}  // namespace platform
