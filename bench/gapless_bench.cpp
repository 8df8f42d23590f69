// The silence between two files of an album: one continuous 440 Hz tone cut into two files,
// played across the join with the output recorded in real time (filesink sync=true, unbuffered,
// standing in for the device). A thread watches the recording grow; the silence is the wall time
// across the join less the audio written meanwhile.
// Also the frames lost or repeated (recording against the tone). An MP3 join shows about 20 ms
// for every player, playbin too, though its samples are continuous: the first file's last frame
// is cut short by its declared padding and the sink renders a buffer at its start.
//
// Three players: the engine with gapless joins (the next file queued when a file starts), the
// engine without (the window's 200 ms poll, then a new graph), and playbin's about-to-finish.
//
//   gapless_bench [runs]   (default 5) prints medians and ranges per player and format

#include <gst/gst.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "engine/VideoGate1000.h"
#include "platform/mediagraph/MediaRuntime.h"
#include "support/ToneJoin.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;
constexpr double kBytesPerSecond = 44100.0 * 4;
constexpr double kSeconds = 3.0;  // each file

// Watches a recording grow. The silence at the join: between the last growth up to the first
// file's end and the next one past it, the wall time less the audio written in between (over
// the whole recording this would add the watcher's own delays on a loaded machine).
class TGrowthWatch {
 public:
  TGrowthWatch(std::string path, double joinBytes) : path_(std::move(path)), join_(joinBytes) {
    thread_ = std::thread([this] { Watch(); });
  }
  double StopAndSilenceMs() {
    stop_ = true;
    thread_.join();
    for (size_t i = 1; i < growth_.size(); ++i) {
      if (growth_[i].second <= join_) continue;
      const double wall =
          std::chrono::duration<double, std::milli>(growth_[i].first - growth_[i - 1].first)
              .count();
      return wall - (growth_[i].second - growth_[i - 1].second) / kBytesPerSecond * 1000;
    }
    return -1;
  }

 private:
  void Watch() {
    double seen = 0;
    while (!stop_) {
      std::error_code error;
      const auto size = static_cast<double>(fs::file_size(path_, error));
      if (!error && size > seen) growth_.emplace_back(Clock::now(), seen = size);
      std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
  }

  std::string path_;
  double join_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  std::vector<std::pair<Clock::time_point, double>> growth_;
};

struct TResult {
  double silenceMs = -1;
  long lostFrames = 0;  // frames short of the tone's (negative: more)
  int lagAfter = 0;     // the second file against the tone at the join
};

bool WaitFor(const std::function<bool()>& cond, int pollMs) {
  const auto deadline = Clock::now() + std::chrono::seconds(30);
  while (!cond()) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(pollMs));
  }
  return true;
}

void EnginePlays(const tone_join::TPair& pair, const std::string& out, bool gapless) {
  using namespace platform;
  TVideoGate1000 engine(std::make_shared<TMediaRuntime>(
      TSinkOptions(TSinkOptions::TKind::Fake, true, nullptr, nullptr, out)));
  engine.SetGapless(gapless);
  engine.OpenFile(pair.first);
  if (gapless) engine.QueueNext(pair.second);
  engine.Play();
  // The main window's Timer1: every 200 ms, in no step with the start of a file.
  static std::mt19937 random(42);
  std::this_thread::sleep_for(std::chrono::milliseconds(random() % 200));
  auto ended = [&] {
    engine.UpdatePosition();
    return engine.Ended();
  };
  WaitFor(ended, 200);
  if (!engine.AdvancedGapless()) {
    engine.OpenFile(pair.second);
    engine.Play();
  }
  engine.SetEnded(false);
  WaitFor(ended, 200);
}

void PlaybinPlays(const tone_join::TPair& pair, const std::string& out) {
  GstElement* playbin = gst_element_factory_make("playbin", nullptr);
  const std::string sink = "capsfilter caps=audio/x-raw,format=S16LE,rate=44100,channels=2 ! "
                           "filesink sync=true append=true buffer-mode=2 location=\"" + out + "\"";
  GstElement* audio = gst_parse_bin_from_description(sink.c_str(), TRUE, nullptr);
  GstElement* video = gst_element_factory_make("fakesink", nullptr);
  gchar* first = gst_filename_to_uri(pair.first.c_str(), nullptr);
  static gchar* second = nullptr;
  g_free(second);
  second = gst_filename_to_uri(pair.second.c_str(), nullptr);
  g_object_set(playbin, "uri", first, "audio-sink", audio, "video-sink", video, nullptr);
  g_free(first);
  g_signal_connect(playbin, "about-to-finish", G_CALLBACK(+[](GstElement* p, gpointer) {
                     if (second != nullptr) g_object_set(p, "uri", second, nullptr);
                     g_free(second);
                     second = nullptr;
                   }), nullptr);
  gst_element_set_state(playbin, GST_STATE_PLAYING);
  GstBus* bus = gst_element_get_bus(playbin);
  gst_message_unref(gst_bus_timed_pop_filtered(
      bus, 30 * GST_SECOND, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR)));
  gst_object_unref(bus);
  gst_element_set_state(playbin, GST_STATE_NULL);
  gst_object_unref(playbin);
}

TResult Measure(const tone_join::TPair& pair, const std::string& out,
                const std::function<void()>& play) {
  fs::remove(out);
  TGrowthWatch watch(out, static_cast<double>(pair.joinFrame) * 4);
  play();
  TResult result;
  result.silenceMs = watch.StopAndSilenceMs();
  const auto recorded = tone_join::ReadLeft(out);
  const auto tone = tone_join::ReadLeft(pair.reference);
  result.lostFrames = static_cast<long>(tone.size()) - static_cast<long>(recorded.size());
  result.lagAfter = tone_join::Analyse(recorded, tone, pair.joinFrame).lagAfter;
  return result;
}

void Report(const char* what, std::vector<TResult> runs) {
  std::vector<double> silence;
  std::vector<long> lost;
  for (const TResult& r : runs) silence.push_back(r.silenceMs), lost.push_back(r.lostFrames);
  std::sort(silence.begin(), silence.end());
  std::sort(lost.begin(), lost.end());
  const size_t mid = silence.size() / 2;
  std::printf("%-34s silence %7.1f ms (%6.1f .. %6.1f)   frames lost %5ld (%ld .. %ld)\n", what,
              silence[mid], silence.front(), silence.back(), lost[mid], lost.front(),
              lost.back());
}

}  // namespace

int main(int argc, char** argv) {
  gst_init(nullptr, nullptr);
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  char pattern[] = "/tmp/orvane-gapbench-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 1;
  const std::string dir = pattern;
  const std::string out = dir + "/out.raw";
  std::printf("Two %.0f-s files of one 440 Hz tone, %d runs each; medians (ranges)\n", kSeconds,
              runs);
  for (const char* extension : {"wav", "mp3"}) {
    const tone_join::TPair pair = tone_join::Make(dir, extension, kSeconds);
    std::vector<TResult> on, off, playbin;
    for (int i = 0; i < runs; ++i) {
      on.push_back(Measure(pair, out, [&] { EnginePlays(pair, out, true); }));
      off.push_back(Measure(pair, out, [&] { EnginePlays(pair, out, false); }));
      playbin.push_back(Measure(pair, out, [&] { PlaybinPlays(pair, out); }));
    }
    const std::string name = std::string(extension) == "wav" ? "WAV" : "MP3 (LAME header)";
    Report((name + ", engine Gapless=1").c_str(), on);
    Report((name + ", engine Gapless=0").c_str(), off);
    Report((name + ", playbin about-to-finish").c_str(), playbin);
  }
  fs::remove_all(dir);
  return 0;
}
