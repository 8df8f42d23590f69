// The engine on the real GStreamer graph, with generated media and fake sinks.
#include "engine/VideoGate1000.h"

#include <gtest/gtest.h>

#include <gst/base/gstbasesink.h>
#include <gst/gst.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <thread>

#include "platform/mediagraph/MediaRuntime.h"
#include "platform/mediagraph/SinkOptions.h"
#include "platform/MessageBox.h"
#include "support/MediaFixtures.h"

using namespace platform;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Names = std::vector<std::string>;

namespace {

const char kGate[] = "Canopus VideoGate1000 Renderer Filter";
constexpr int64_t kSecond = 10000000;

// The media runtime with fake sinks that remembers the graph it made, so tests can look inside.
class TSpyRuntime final : public TComRuntime {
 public:
  explicit TSpyRuntime(bool sync)
      : counters(std::make_shared<TRenderCounters>()),
        real(TSinkOptions{TSinkOptions::TKind::Fake, sync, counters, nullptr}) {}
  HRESULT CoInitialize() override { return real.CoInitialize(); }
  void CoUninitialize() override { real.CoUninitialize(); }
  HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid,
                           void** object) override {
    const HRESULT hr = real.CoCreateInstance(clsid, outer, context, iid, object);
    if (SUCCEEDED(hr) && clsid == CLSID_FilterGraph && iid == IID_IGraphBuilder)
      graph = static_cast<IGraphBuilder*>(*object);
    return hr;
  }
  Names FilterNames() {
    Names names;
    ComPtr<IEnumFilters> filters;
    if (FAILED(graph->EnumFilters(filters.Put()))) return names;
    IBaseFilter* f = nullptr;
    while (filters->Next(1, &f, nullptr) == S_OK) {
      FILTER_INFO info{};
      f->QueryFilterInfo(&info);
      names.push_back(Utf8FromWide(info.achName));
      f->Release();
    }
    return names;
  }
  bool Has(const std::string& name) {
    Names n = FilterNames();
    return std::find(n.begin(), n.end(), name) != n.end();
  }

  std::shared_ptr<TRenderCounters> counters;
  TMediaRuntime real;
  ComPtr<IGraphBuilder> graph;
};

class TBar final : public TPositionBar {
 public:
  void SetMax(int max) override { max_ = max; }
  int Max() const override { return max_; }
  void SetPosition(int pos) override { pos_ = pos; }
  int Position() const override { return pos_; }

 private:
  int max_ = 0;
  int pos_ = 0;
};

class GstEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(media::Files().dir.empty()) << "could not generate the media files (ffmpeg)";
    previous_ = SetMessageBoxShower([this](const std::string& text, const std::string& caption,
                                           unsigned) {
      EXPECT_EQ(caption, "Error");
      messages.push_back(text);
      return IDOK;
    });
  }
  void TearDown() override {
    engine.reset();
    runtime.reset();
    SetMessageBoxShower(previous_);
  }

  TVideoGate1000& Make(bool sync) {
    runtime = std::make_shared<TSpyRuntime>(sync);
    engine = std::make_unique<TVideoGate1000>(runtime);
    return *engine;
  }
  // Plays until the engine sees the end, the way the main window's timer polls it.
  bool PlayToEnd(std::chrono::milliseconds timeout = 15s) {
    engine->Play();
    return media::WaitUntil([&] {
      engine->UpdatePosition();
      return engine->Ended();
    }, timeout);
  }

  // Plays, polling every 200 ms from Play as the main window's timer does; the time from Play to
  // the poll that saw the end, or -1 ms when it never came.
  std::chrono::milliseconds PollToEnd(std::chrono::seconds timeout) {
    const auto start = Clock::now();
    engine->Play();
    for (auto next = start + 200ms; next - start < timeout; next += 200ms) {
      std::this_thread::sleep_until(next);
      engine->UpdatePosition();
      if (engine->Ended())
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    }
    return -1ms;
  }
  long Seeks() const { return runtime->counters->seeks; }

  std::vector<std::string> messages;
  std::shared_ptr<TSpyRuntime> runtime;
  std::unique_ptr<TVideoGate1000> engine;
  const media::TFiles& files = media::Files();

 private:
  TMessageBoxShower previous_;
};

TEST_F(GstEngineTest, WavOpensPlaysPausesSeeksStopsAndPlaysAgainFromTheStart) {
  Make(true).OpenFile(files.wav3);
  EXPECT_EQ(messages, Names{});
  EXPECT_EQ(engine->GetPosition(), 0);
  EXPECT_TRUE(runtime->Has("Default DirectSound Device"));
  engine->Play();
  ASSERT_TRUE(media::WaitUntil([&] { return engine->GetPosition() > 0; }, 5s));

  engine->TogglePause();
  EXPECT_TRUE(engine->Paused());
  std::this_thread::sleep_for(100ms);  // pausing completes on the streaming threads
  const int64_t paused = engine->GetPosition();
  std::this_thread::sleep_for(300ms);
  EXPECT_NEAR(engine->GetPosition(), paused, kSecond / 50) << "the position moved while paused";

  engine->SeekToScrollPos(5000);
  EXPECT_NEAR(engine->GetPosition(), kSecond * 3 / 2, kSecond / 20);
  engine->TogglePause();
  ASSERT_TRUE(media::WaitUntil([&] { return engine->GetPosition() > kSecond * 16 / 10; }, 5s));

  TBar bar;
  engine->AttachScrollBar(&bar);
  engine->Stop();

  EXPECT_FALSE(engine->Playing());
  // The seek to the start completes while the stream still runs, and the bar is read after it:
  // on a loaded machine the stream plays on for a few milliseconds. Within 50 ms of the start
  // (1/60 of the 3 s file), as the position below.
  EXPECT_GT(bar.Max(), 0);
  EXPECT_LE(bar.Position(), bar.Max() / 60);
  EXPECT_LT(engine->GetPosition(), kSecond / 20);
  std::this_thread::sleep_for(200ms);
  EXPECT_LT(engine->GetPosition(), kSecond / 20) << "a stopped graph does not move";

  engine->Play();
  ASSERT_TRUE(media::WaitUntil([&] { return engine->GetPosition() > 0; }, 5s));
  EXPECT_LT(engine->GetPosition(), kSecond);
  EXPECT_EQ(messages, Names{});
}

TEST_F(GstEngineTest, EndOfAHalfSecondFileIsSeenByTheNextPoll) {
  TBar bar;
  Make(true).AttachScrollBar(&bar);
  engine->OpenFile(files.wavHalf);
  const auto start = Clock::now();
  engine->Play();
  // Polled every 200 ms as the main window's timer does.
  auto next = start;
  std::chrono::milliseconds seen{-1};
  while (Clock::now() - start < 10s) {
    next += 200ms;
    std::this_thread::sleep_until(next);
    engine->UpdatePosition();
    if (engine->Ended()) {
      seen = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
      break;
    }
  }
  ASSERT_GE(seen.count(), 0) << "the end was never seen";
  EXPECT_GE(seen.count(), 450) << "played faster than real time";
  // The first poll after the end (at 600 ms) should see it; 250 ms more for a loaded machine.
  EXPECT_LE(seen.count(), 500 + 200 + 250);
  EXPECT_EQ(bar.Position(), 10000);
}

TEST_F(GstEngineTest, AFilePlaysToTheEndOfItsStreamWhateverLengthItsHeaderGives) {
  struct TCase {
    std::string file;
    std::chrono::milliseconds length;
  };
  // The VBR file claims about 5.2 s; the CBR one knows its length.
  for (const TCase& c : {TCase{files.vbrMp3, 10000ms}, TCase{files.mp3, 3000ms}}) {
    TBar bar;
    Make(true).AttachScrollBar(&bar);
    engine->OpenFile(c.file);
    const std::chrono::milliseconds seen = PollToEnd(20s);
    EXPECT_GE(seen, c.length - 500ms) << c.file;
    // The first poll after the end sees it; 300 ms more for a loaded machine.
    EXPECT_LE(seen, c.length + 200ms + 300ms) << c.file;
    EXPECT_EQ(bar.Position(), 10000) << c.file;
  }
}

TEST_F(GstEngineTest, StopSeeksOnceAndTheNextFileCostsTheDroppedOneNoSeek) {
  Make(true).OpenFile(files.wav3);
  EXPECT_EQ(Seeks(), 0) << "a graph just built stands at the start already";
  engine->Play();
  ASSERT_TRUE(media::WaitUntil([&] { return engine->GetPosition() > kSecond / 10; }, 5s));
  long before = Seeks();
  engine->Stop();
  EXPECT_EQ(Seeks() - before, 1);
  EXPECT_LT(engine->GetPosition(), kSecond / 20);

  engine->Play();
  ASSERT_TRUE(media::WaitUntil([&] { return engine->GetPosition() > kSecond / 10; }, 5s));
  before = Seeks();
  engine->OpenFile(files.mp3);
  EXPECT_EQ(Seeks(), before);
  engine->Play();
  EXPECT_TRUE(media::WaitUntil([&] { return engine->GetPosition() > 0; }, 5s));
  EXPECT_EQ(messages, Names{});
}

TEST_F(GstEngineTest, AudioAndVideoFilesPlayToTheEndThroughTheDefaultRenderers) {
  struct TCase {
    std::string file;
    bool video;
  };
  for (const TCase& c : {TCase{files.mp3, false}, TCase{files.avi, true}, TCase{files.mpg, true},
                         TCase{files.wmv, true}}) {
    Make(false).OpenFile(c.file);
    EXPECT_EQ(messages, Names{}) << c.file;
    EXPECT_TRUE(runtime->Has("Default DirectSound Device")) << c.file;
    EXPECT_EQ(runtime->Has("Video Renderer"), c.video) << c.file;
    if (c.video) {
      EXPECT_EQ(engine->SourceWidth(), 320) << c.file;
      EXPECT_EQ(engine->SourceHeight(), 240) << c.file;
    }
    EXPECT_TRUE(PlayToEnd()) << c.file;
    EXPECT_GT(runtime->counters->audioRenderer, 0) << c.file;
    EXPECT_EQ(runtime->counters->videoRenderer > 0, c.video) << c.file;
  }
}

TEST_F(GstEngineTest, WmvGoesToTheExternalRendererAfterRendering) {
  Make(false).SetVideoGateVideo(true);
  engine->SetVideoGateAudio(true);
  engine->OpenFile(files.wmv);
  EXPECT_EQ(messages, Names{});
  EXPECT_TRUE(runtime->Has(kGate));
  EXPECT_FALSE(runtime->Has("Video Renderer"));
  EXPECT_FALSE(runtime->Has("Default DirectSound Device"));
  ASSERT_TRUE(PlayToEnd());
  // 1 s at 25 frames a second; the default renderers saw no more than their preroll buffer.
  EXPECT_GE(runtime->counters->gateVideo, 20);
  EXPECT_GT(runtime->counters->gateAudio, 5);
  EXPECT_LE(runtime->counters->videoRenderer, 1);
  EXPECT_LE(runtime->counters->audioRenderer, 1);
}

TEST_F(GstEngineTest, WmvWithVideoOnlyKeepsItsAudioOnTheDefaultDevice) {
  Make(false).SetVideoGateVideo(true);
  engine->OpenFile(files.wmv);
  EXPECT_EQ(messages, Names{});
  EXPECT_TRUE(runtime->Has(kGate));
  EXPECT_TRUE(runtime->Has("Default DirectSound Device"));
  EXPECT_FALSE(runtime->Has("Video Renderer"));
  ASSERT_TRUE(PlayToEnd());
  EXPECT_GE(runtime->counters->gateVideo, 20);
  EXPECT_EQ(runtime->counters->gateAudio, 0);
  EXPECT_GT(runtime->counters->audioRenderer, 5);
  EXPECT_LE(runtime->counters->videoRenderer, 1);
}

TEST_F(GstEngineTest, Mp3GoesFromTheSourceFilterToTheExternalRenderer) {
  Make(false).SetVideoGateAudio(true);
  engine->OpenFile(files.mp3);
  EXPECT_EQ(messages, Names{});
  EXPECT_TRUE(runtime->Has("SOURCE"));
  EXPECT_TRUE(runtime->Has(kGate));
  EXPECT_FALSE(runtime->Has("Default DirectSound Device"));
  ASSERT_TRUE(PlayToEnd());
  EXPECT_GT(runtime->counters->gateAudio, 0);
  EXPECT_EQ(runtime->counters->audioRenderer, 0);
  // The next file with the option off plays through the default renderer again.
  engine->SetVideoGateAudio(false);
  engine->OpenFile(files.wavHalf);
  EXPECT_FALSE(runtime->Has(kGate));
  ASSERT_TRUE(PlayToEnd());
  EXPECT_GT(runtime->counters->audioRenderer, 0);
}

TEST_F(GstEngineTest, WithoutTheExternalRendererBothMessagesShowAndTheDefaultOnePlays) {
  Make(false);
  runtime->real.RevokeClass(CLSID_VideoGate1000Renderer);
  engine->SetVideoGateAudio(true);
  engine->OpenFile(files.mp3);
  EXPECT_EQ(messages, (Names{"VideoGate1000 Create Faild!", "VideoGate1000 AddFilter Faild!"}));
  EXPECT_TRUE(runtime->Has("Default DirectSound Device"));
  ASSERT_TRUE(PlayToEnd());
  EXPECT_GT(runtime->counters->audioRenderer, 0);
}

TEST_F(GstEngineTest, UndecodableFilesFailQuicklyAndTheNextFilePlays) {
  namespace fs = std::filesystem;
  const std::string fifo = files.dir + "/fifo.mp3";
  ASSERT_EQ(std::system(("mkfifo '" + fifo + "'").c_str()), 0);
  Make(false);
  for (const std::string& name : {files.textMp3, files.dir + "/missing.mp3", files.dir, fifo}) {
    const auto start = Clock::now();
    engine->OpenFile(name);
    EXPECT_LT(Clock::now() - start, 5s) << name;
    EXPECT_EQ(messages, Names{}) << "normal output fails silently: " << name;
    EXPECT_EQ(engine->GetPosition(), 0) << name;
    EXPECT_TRUE(engine->Failed()) << name;
    engine->Play();
    engine->UpdatePosition();
    EXPECT_TRUE(engine->Ended()) << "a file that cannot be played counts as played: " << name;
    engine->Stop();
  }
  engine->SetVideoGateAudio(true);
  const auto start = Clock::now();
  engine->OpenFile(files.textMp3);
  EXPECT_LT(Clock::now() - start, 5s);
  EXPECT_EQ(messages, Names{"Render Faild!"});
  EXPECT_TRUE(engine->Failed());
  engine->SetVideoGateAudio(false);
  engine->OpenFile(files.wavHalf);
  EXPECT_FALSE(engine->Failed());
  EXPECT_TRUE(PlayToEnd());
  EXPECT_FALSE(engine->Failed());
}

// A sink standing for a device that can go away (a USB headset): a fakesink that opens only
// while plugged in, and whose rendering fails once unplugged.
std::atomic<bool> gUnplugged{false};
GstElementClass* gFakeSinkClass = nullptr;

GstStateChangeReturn FlakyChangeState(GstElement* element, GstStateChange transition) {
  if (transition == GST_STATE_CHANGE_NULL_TO_READY && gUnplugged) {
    GST_ELEMENT_ERROR(element, RESOURCE, OPEN_WRITE, ("device unplugged"), (nullptr));
    return GST_STATE_CHANGE_FAILURE;
  }
  return gFakeSinkClass->change_state(element, transition);
}

GstFlowReturn FlakyRender(GstBaseSink* sink, GstBuffer*) {
  if (!gUnplugged) return GST_FLOW_OK;
  GST_ELEMENT_ERROR(sink, RESOURCE, WRITE, ("device unplugged"), (nullptr));
  return GST_FLOW_ERROR;
}

void RegisterFlakySink() {
  static std::once_flag once;
  std::call_once(once, [] {
    gst_init(nullptr, nullptr);
    GstElement* probe = gst_element_factory_make("fakesink", nullptr);
    const GType parent = G_OBJECT_TYPE(probe);
    gst_object_unref(gst_object_ref_sink(probe));
    GTypeQuery query;
    g_type_query(parent, &query);
    const GType type = g_type_register_static_simple(
        parent, "OrvaneFlakySink", query.class_size,
        [](gpointer klass, gpointer) {
          gFakeSinkClass = GST_ELEMENT_CLASS(g_type_class_peek_parent(klass));
          GST_ELEMENT_CLASS(klass)->change_state = FlakyChangeState;
          GST_BASE_SINK_CLASS(klass)->render = FlakyRender;
        },
        query.instance_size, nullptr, static_cast<GTypeFlags>(0));
    gst_element_register(nullptr, "orvaneflakysink", GST_RANK_NONE, type);
  });
}

TEST_F(GstEngineTest, AnAudioDeviceThatWentAwayIsProbedAgain) {
  RegisterFlakySink();
  auto probe =
      std::make_shared<TSinkProbe>(Names{"fakesink"}, Names{"orvaneflakysink", "fakesink"});
  engine = std::make_unique<TVideoGate1000>(std::make_shared<TMediaRuntime>(
      TSinkOptions{TSinkOptions::TKind::Real, false, nullptr, probe}));
  gUnplugged = false;
  engine->OpenFile(files.wavHalf);
  EXPECT_TRUE(PlayToEnd());
  EXPECT_EQ(probe->Factory(TSinkRole::AudioRenderer), "orvaneflakysink");

  // Unplugged while playing: the file ends as one that failed half-way, and the next one is
  // built on the device left.
  engine->OpenFile(files.wav3);
  gUnplugged = true;
  EXPECT_TRUE(PlayToEnd());
  EXPECT_TRUE(engine->Failed());
  engine->OpenFile(files.wavHalf);
  EXPECT_TRUE(PlayToEnd());
  EXPECT_FALSE(engine->Failed());
  EXPECT_EQ(probe->Factory(TSinkRole::AudioRenderer), "fakesink");

  // Unplugged between two files, with both outputs: the build fails once, probes, and plays.
  for (bool gate : {false, true}) {
    gUnplugged = false;
    probe->Forget();
    ASSERT_EQ(probe->Factory(TSinkRole::AudioRenderer), "orvaneflakysink");
    gUnplugged = true;
    engine->SetVideoGateAudio(gate);
    engine->OpenFile(files.wavHalf);
    EXPECT_TRUE(PlayToEnd()) << gate;
    EXPECT_FALSE(engine->Failed()) << "built at the second attempt: " << gate;
    EXPECT_EQ(probe->Factory(TSinkRole::AudioRenderer), "fakesink") << gate;
  }
  EXPECT_EQ(messages, Names{});
  gUnplugged = false;
}

TEST_F(GstEngineTest, AChainedStreamPlaysOnThroughItsSecondPart) {
  Make(true).OpenFile(files.chainedOgg);
  // Both parts in real time: an unlinked second part would end the file after 1 s, a blocked
  // one would never end it.
  const std::chrono::milliseconds seen = PollToEnd(10s);
  EXPECT_GE(seen, 1800ms);
  EXPECT_LE(seen, 2000ms + 200ms + 300ms);
  EXPECT_EQ(messages, Names{});
}

int CountEntries(const char* dir) {
  std::error_code error;
  int n = 0;
  for (auto it = std::filesystem::directory_iterator(dir, error);
       !error && it != std::filesystem::directory_iterator(); it.increment(error))
    ++n;
  return n;
}

TEST_F(GstEngineTest, TwoHundredCyclesHoldNoThreadsOrFiles) {
  Make(false);
  auto cycle = [&] {
    engine->OpenFile(files.wavHalf);
    engine->Play();
    engine->UpdatePosition();
    engine->Stop();
  };
  for (int i = 0; i < 10; ++i) cycle();
  const int threads = CountEntries("/proc/self/task");
  const int fds = CountEntries("/proc/self/fd");
  for (int i = 0; i < 190; ++i) cycle();
  EXPECT_LE(CountEntries("/proc/self/task"), threads + 3);
  EXPECT_LE(CountEntries("/proc/self/fd"), fds + 3);
  EXPECT_EQ(messages, Names{});
  // Leaked memory is reported by the sanitizer's leak check when the suite ends.
}

}  // namespace
