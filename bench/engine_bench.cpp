// Start-up latency and CPU use of the playback engine, against GStreamer's playbin (the pipeline
// gst-launch-1.0 and gst-play-1.0 run). Both use the same audio sink, fakesink sync=true, so the
// machine needs no sound card and both play in real time.
//
//   engine_bench            runs everything and prints medians and ratios
//   engine_bench --play F   plays F to its end through the engine (the child measured for CPU)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "engine/VideoGate1000.h"
#include "bench/PlaybinPeer.h"
#include "platform/mediagraph/MediaRuntime.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

std::shared_ptr<platform::TComRuntime> FakeRuntime() {
  return std::make_shared<platform::TMediaRuntime>(
      platform::TSinkOptions{platform::TSinkOptions::TKind::Fake, true, nullptr, nullptr});
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Waits for cond, checking every 200 us; false after 10 s.
bool Poll(const std::function<bool()>& cond) {
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  while (!cond()) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return true;
}

double EngineLatencyMs(TVideoGate1000& engine, const std::string& file) {
  const auto start = Clock::now();
  engine.OpenFile(file);
  engine.Play();
  if (!Poll([&] { return engine.GetPosition() > 0; })) return -1;
  const double ms = Ms(Clock::now() - start);
  engine.Stop();
  return ms;
}

double PeerLatencyMs(const std::string& file) {
  const auto start = Clock::now();
  bench::TPlaybinPeer peer(file, true);
  if (!peer.Play() || !Poll([&] { return peer.Position() > 0; })) return -1;
  return Ms(Clock::now() - start);
}

// CPU seconds per wall second while playing the file to its end, polled as the program's timer.
template <class Start, class Ended>
double CpuShare(Start start, Ended ended) {
  const std::clock_t cpu0 = std::clock();
  const auto wall0 = Clock::now();
  start();
  while (!ended()) std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const double cpu = static_cast<double>(std::clock() - cpu0) / CLOCKS_PER_SEC;
  return cpu / std::chrono::duration<double>(Clock::now() - wall0).count();
}

// User + system CPU seconds of a command run by bash, from bash's own "times" for its children.
double ChildCpuSeconds(const std::string& command, const fs::path& scratch) {
  const std::string out = (scratch / "times.txt").string();
  const std::string line = "bash -c '" + command + " >/dev/null 2>&1; times' > " + out;
  if (std::system(line.c_str()) != 0) return -1;
  std::ifstream in(out);
  std::string shell;
  std::string children;
  std::getline(in, shell);
  std::getline(in, children);
  int um = 0, sm = 0;
  double us = 0, ss = 0;
  if (std::sscanf(children.c_str(), "%dm%lfs %dm%lfs", &um, &us, &sm, &ss) != 4) return -1;
  return um * 60 + us + sm * 60 + ss;
}

int PlayToEnd(const std::string& file) {
  TVideoGate1000 engine(FakeRuntime());
  engine.OpenFile(file);
  engine.Play();
  while (!engine.Ended()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    engine.UpdatePosition();
  }
  return 0;
}

bool Generate(const std::string& args) {
  return std::system(("ffmpeg -nostdin -v error -y " + args).c_str()) == 0;
}

void Report(const char* what, double ours, double peer, const char* unit) {
  std::printf("%-34s engine %8.2f %s   playbin %8.2f %s   ratio %.2f\n", what, ours, unit, peer,
              unit, peer > 0 ? ours / peer : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--play") return PlayToEnd(argv[2]);

  std::random_device random;
  const fs::path dir = fs::temp_directory_path() / ("orvane-bench-" + std::to_string(random()));
  fs::create_directory(dir);
  const std::string wav = (dir / "tone.wav").string();
  const std::string mp3 = (dir / "tone.mp3").string();
  const std::string mp3Long = (dir / "ten.mp3").string();
  const char* tone = "-f lavfi -i sine=frequency=440:sample_rate=44100 -ac 2 ";
  if (!Generate(std::string(tone) + "-t 3 -c:a pcm_s16le " + wav) ||
      !Generate(std::string(tone) + "-t 3 -c:a libmp3lame -b:a 128k " + mp3) ||
      !Generate(std::string(tone) + "-t 10 -c:a libmp3lame -b:a 128k " + mp3Long)) {
    std::fprintf(stderr, "engine_bench: ffmpeg could not make the media\n");
    return 1;
  }

  TVideoGate1000 engine(FakeRuntime());
  constexpr int kRuns = 21;
  for (const auto& [name, file] : {std::pair{"start latency, WAV (OpenFile..pos)", wav},
                                   std::pair{"start latency, MP3 (OpenFile..pos)", mp3}}) {
    for (int i = 0; i < 3; ++i) {  // warm: plug-ins loaded, caches filled, for both
      EngineLatencyMs(engine, file);
      PeerLatencyMs(file);
    }
    std::vector<double> ours, peer;
    for (int i = 0; i < kRuns; ++i) {
      ours.push_back(EngineLatencyMs(engine, file));
      peer.push_back(PeerLatencyMs(file));
    }
    Report(name, Median(ours), Median(peer), "ms");
  }

  constexpr int kCpuRuns = 3;
  std::vector<double> ours, peer;
  for (int i = 0; i < kCpuRuns; ++i) {
    ours.push_back(100 * CpuShare([&] { engine.OpenFile(mp3Long); engine.Play(); },
                                  [&] { engine.UpdatePosition(); return engine.Ended(); }));
    bench::TPlaybinPeer p(mp3Long, true);
    peer.push_back(100 * CpuShare([&] { p.Play(); }, [&] { return p.Ended(); }));
  }
  Report("CPU, 10 s MP3 128k, in process", Median(ours), Median(peer), "% ");

  std::vector<double> oursChild, peerChild;
  const std::string self = fs::canonical("/proc/self/exe").string();
  const std::string gstLaunch =
      "gst-launch-1.0 -q playbin uri=file://" + mp3Long +
      " audio-sink=\"fakesink sync=true\" video-sink=\"fakesink sync=true\"";
  for (int i = 0; i < kCpuRuns; ++i) {
    oursChild.push_back(ChildCpuSeconds(self + " --play " + mp3Long, dir));
    peerChild.push_back(ChildCpuSeconds(gstLaunch, dir));
  }
  Report("CPU s, 10 s MP3, whole process", Median(oursChild), Median(peerChild), "s ");

  std::error_code ignored;
  fs::remove_all(dir, ignored);
  return 0;
}
