// The engine against a recording fake graph: exact call sequences, messages and state.
#include "engine/VideoGate1000.h"

#include <gtest/gtest.h>

#include "engine/FakeGraph.h"
#include "platform/MessageBox.h"

using platform::HRESULT;
using platform::S_OK;
using Log = std::vector<std::string>;

namespace {

class TBar final : public TPositionBar {
 public:
  void SetMax(int max) override { max_ = max; }
  int Max() const override { return max_; }
  void SetPosition(int pos) override { pos_ = pos; }
  int Position() const override { return pos_; }

 private:
  int max_ = 100;
  int pos_ = -1;
};

// The empty-graph ClearGraph: a snapshot of nothing.
const Log kClearEmpty = {"EnumFilters", "Filters.Skip", "Filters.Reset", "Filters.Next"};
const std::string kGate = "Canopus VideoGate1000 Renderer Filter";
const std::string kRewind = "SetPositions(0,1,-,0)";

Log Cat(std::initializer_list<Log> parts) {
  Log all;
  for (const Log& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

// A ".wmv" as the graph manager renders it: a source with two decoded outputs, two renderers.
HRESULT BuildWmvGraph(fake::TGraph& g, const std::string& name) {
  fake::TFilter* source = g.Make(name);
  fake::TPin* video = source->AddPin("Video", platform::PINDIR_OUTPUT);
  fake::TPin* audio = source->AddPin("Audio", platform::PINDIR_OUTPUT);
  fake::TFilter* vr = g.Make("Video Renderer");
  fake::Link(video, vr->AddPin("Input", platform::PINDIR_INPUT));
  fake::TFilter* ar = g.Make("Default DirectSound Device");
  fake::Link(audio, ar->AddPin("Audio Input pin (rendered)", platform::PINDIR_INPUT));
  g.hasVideo = true;
  g.width = 320;
  g.height = 240;
  return S_OK;
}

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = platform::SetMessageBoxShower(
        [this](const std::string& text, const std::string& caption, unsigned) {
          world->Log("Box(" + caption + ":" + text + ")");
          return platform::IDOK;
        });
  }
  void TearDown() override {
    engine.reset();
    EXPECT_EQ(world->liveObjects, 0) << "graph objects still held after the engine went";
    platform::SetMessageBoxShower(previous_);
  }
  // Makes the engine and forgets the construction calls.
  TVideoGate1000& Make() {
    engine = std::make_unique<TVideoGate1000>(runtime);
    world->log.clear();
    return *engine;
  }
  fake::TGraph& Graph() { return *runtime->graph; }

  std::shared_ptr<fake::TWorld> world = std::make_shared<fake::TWorld>();
  std::shared_ptr<fake::TRuntime> runtime = std::make_shared<fake::TRuntime>(world);
  std::unique_ptr<TVideoGate1000> engine;

 private:
  platform::TMessageBoxShower previous_;
};

TEST_F(EngineTest, ConstructionAndDestructionCallInOrder) {
  engine = std::make_unique<TVideoGate1000>(runtime);
  EXPECT_EQ(world->log, (Log{"CoInitialize", "CoCreateInstance(FilterGraph,null,1,IGraphBuilder)"}));
  EXPECT_FALSE(engine->Playing());
  EXPECT_FALSE(engine->Paused());
  EXPECT_FALSE(engine->Ended());
  EXPECT_EQ(engine->SourceWidth(), 0);
  EXPECT_EQ(engine->FileName(), "");
  world->log.clear();
  engine.reset();
  EXPECT_EQ(world->log, (Log{"Stop", "CoUninitialize"}));
}

TEST_F(EngineTest, FailuresAtConstructionAreShownAndLeaveASafeEngine) {
  runtime->failCoInitialize = true;
  engine = std::make_unique<TVideoGate1000>(runtime);
  EXPECT_EQ(world->log, (Log{"CoInitialize", "Box(Error:CoInitialize Faild!)"}));
  engine.reset();
  EXPECT_EQ(world->log.back(), "Box(Error:CoInitialize Faild!)") << "no CoUninitialize unbalanced";

  runtime->failCoInitialize = false;
  runtime->failGraph = true;
  world->log.clear();
  engine = std::make_unique<TVideoGate1000>(runtime);
  EXPECT_EQ(world->log, (Log{"CoInitialize", "CoCreateInstance(FilterGraph,null,1,IGraphBuilder)",
                             "Box(Error:Create IGraphBuilder Faild!)"}));
  // Without a graph every operation does nothing, and nothing is called on a missing interface.
  world->log.clear();
  engine->SetVideoGateAudio(true);
  engine->OpenFile("/m/a.mp3");
  engine->Play();
  engine->TogglePause();
  engine->UpdatePosition();
  engine->SeekToScrollPos(5000);
  engine->SkipSeconds(5);
  engine->Stop();
  EXPECT_EQ(engine->GetPosition(), 0);
  EXPECT_FALSE(engine->Playing());
  EXPECT_EQ(world->log, Log{});
}

TEST_F(EngineTest, EachMissingInterfaceHasItsMessageAndTheOthersStillWork) {
  runtime->prepareGraph = [](fake::TGraph& g) {
    g.refused = {"IMediaControl", "IMediaSeeking", "IBasicVideo", "IVideoWindow"};
  };
  engine = std::make_unique<TVideoGate1000>(runtime);
  EXPECT_EQ(world->log, (Log{"CoInitialize", "CoCreateInstance(FilterGraph,null,1,IGraphBuilder)",
                             "Box(Error:Query IMediaControl Faild!)",
                             "Box(Error:Query IMediaSeeking Faild!)",
                             "Box(Error:Query IBasicVideo Faild!)",
                             "Box(Error:Query IVideoWindows Faild!)"}));
  world->log.clear();
  engine->SetVideoOwner(5);
  engine->OpenFile("/m/a.mp3");
  EXPECT_EQ(world->log, Cat({kClearEmpty, {"RenderFile(/m/a.mp3)"}}));
  world->log.clear();
  engine->Play();
  engine->Stop();
  EXPECT_EQ(engine->GetPosition(), 0);
  EXPECT_FALSE(engine->Playing());
  EXPECT_EQ(world->log, Log{});
}

TEST_F(EngineTest, NormalOutputEmptiesTheGraphRendersAndRewinds) {
  Make();
  Graph().Make("old source");
  Graph().Make("old renderer");
  engine->OpenFile("/m/a.mp3");
  EXPECT_EQ(world->log,
            (Log{"Stop", "EnumFilters", "Filters.Skip", "Filters.Skip", "Filters.Skip",
                 "Filters.Reset", "Filters.Next", "Filters.Next", "Filters.Next",
                 "RemoveFilter(old source)", "RemoveFilter(old renderer)", "RenderFile(/m/a.mp3)",
                 "get_SourceWidth", "get_SourceHeight", kRewind}));
  // A failed RenderFile is silent with normal output; no owner: the window is not placed.
  EXPECT_EQ(engine->FileName(), "/m/a.mp3");
  EXPECT_TRUE(Graph().filters.empty());
}

TEST_F(EngineTest, WmvWithBothFlagsReplacesBothRenderers) {
  Make();
  Graph().onRenderFile = BuildWmvGraph;
  engine->SetVideoGateVideo(true);
  engine->SetVideoGateAudio(true);
  engine->OpenFile("/m/x.wmv");
  EXPECT_EQ(world->log,
            Cat({{"Stop"}, kClearEmpty,
                 {"RenderFile(/m/x.wmv)", "EnumFilters", "Filters.Skip", "Filters.Skip",
                  "Filters.Skip", "Filters.Skip", "Filters.Reset", "Filters.Next", "Filters.Next",
                  "Filters.Next", "Filters.Next", "RemoveFilter(Video Renderer)",
                  "RemoveFilter(Default DirectSound Device)",
                  "CoCreateInstance(VideoGate1000,null,3,IBaseFilter)", "AddFilter(" + kGate + ")",
                  "FindPin(Video-In)", "FindPin(Audio-In)",
                  "Connect(/m/x.wmv.Video," + kGate + ".Video-In)",
                  "Connect(/m/x.wmv.Audio," + kGate + ".Audio-In)", "get_SourceWidth",
                  "get_SourceHeight", kRewind}}));
  EXPECT_EQ(Graph().FilterNames(), (Log{"/m/x.wmv", kGate}));
  EXPECT_EQ(engine->SourceWidth(), 320);
  EXPECT_EQ(engine->SourceHeight(), 240);
}

TEST_F(EngineTest, WmvWithVideoOnlyLeavesTheAudioRendererPlaying) {
  Make();
  Graph().onRenderFile = BuildWmvGraph;
  engine->SetVideoGateVideo(true);
  engine->OpenFile("/m/x.wmv");
  EXPECT_EQ(Graph().FilterNames(), (Log{"/m/x.wmv", "Default DirectSound Device", kGate}));
  Log connects;
  for (const std::string& e : world->log)
    if (e.rfind("Connect", 0) == 0 || e.rfind("RemoveFilter", 0) == 0) connects.push_back(e);
  EXPECT_EQ(connects,
            (Log{"RemoveFilter(Video Renderer)", "Connect(/m/x.wmv.Video," + kGate + ".Video-In)"}));
}

TEST_F(EngineTest, WmvRenderFailureIsShownAndRoutingStillRuns) {
  Make();
  engine->SetVideoGateAudio(true);
  engine->OpenFile("/m/bad.wmv");
  EXPECT_EQ(world->log,
            Cat({{"Stop"}, kClearEmpty,
                 {"RenderFile(/m/bad.wmv)", "Box(Error:RenderFile Faild!)"}, kClearEmpty,
                 {"CoCreateInstance(VideoGate1000,null,3,IBaseFilter)", "AddFilter(" + kGate + ")",
                  "FindPin(Video-In)", "FindPin(Audio-In)", "get_SourceWidth", "get_SourceHeight",
                  kRewind}}));
}

TEST_F(EngineTest, OtherExtensionsAndWmvInCapitalsGoThroughTheSourceFilter) {
  for (const std::string name : {"/m/a.mp3", "/m/X.WMV", "/m/y.Wmv"}) {
    Make();
    Graph().onRender = [](fake::TGraph&, fake::TPin*) { return S_OK; };
    engine->SetVideoGateVideo(true);
    engine->OpenFile(name);
    EXPECT_EQ(world->log,
              Cat({{"Stop"}, kClearEmpty, kClearEmpty,
                   {"AddSourceFilter(" + name + ",SOURCE)",
                    "CoCreateInstance(VideoGate1000,null,1,IBaseFilter)", "AddFilter(" + kGate + ")",
                    "Render(SOURCE.Output)", "get_SourceWidth", "get_SourceHeight", kRewind}}))
        << name;
    engine.reset();
  }
}

TEST_F(EngineTest, RendererThatCannotBeCreatedShowsBothMessagesThenRendersByDefault) {
  Make();
  runtime->failGate = true;
  engine->SetVideoGateAudio(true);
  engine->OpenFile("/m/a.mp3");
  EXPECT_EQ(world->log,
            Cat({{"Stop"}, kClearEmpty, kClearEmpty,
                 {"AddSourceFilter(/m/a.mp3,SOURCE)",
                  "CoCreateInstance(VideoGate1000,null,1,IBaseFilter)",
                  "Box(Error:VideoGate1000 Create Faild!)",
                  "Box(Error:VideoGate1000 AddFilter Faild!)", "Render(SOURCE.Output)",
                  "Box(Error:Render Faild!)", "get_SourceWidth", "get_SourceHeight", kRewind}}));
}

TEST_F(EngineTest, SourceFilterFailureSkipsWhatNeedsTheSource) {
  Make();
  Graph().addSourceResult = platform::VFW_E_NOT_FOUND_FILE;
  Graph().addFilterResult = platform::E_FAIL;
  engine->SetVideoGateAudio(true);
  engine->OpenFile("/m/gone.avi");
  EXPECT_EQ(world->log,
            Cat({{"Stop"}, kClearEmpty, kClearEmpty,
                 {"AddSourceFilter(/m/gone.avi,SOURCE)", "Box(Error:AddSourceFilter Faild!)",
                  "CoCreateInstance(VideoGate1000,null,1,IBaseFilter)", "AddFilter(" + kGate + ")",
                  "Box(Error:VideoGate1000 AddFilter Faild!)", "get_SourceWidth",
                  "get_SourceHeight", kRewind}}));
}

TEST_F(EngineTest, AGraphOfMoreThanFiftyFiltersIsEmptiedCompletely) {
  Make();
  for (int i = 0; i < 60; ++i) Graph().Make("f" + std::to_string(i));
  engine->OpenFile("/m/a.mp3");
  EXPECT_TRUE(Graph().filters.empty());
  Log removed;
  for (const std::string& e : world->log)
    if (e.rfind("RemoveFilter", 0) == 0) removed.push_back(e);
  ASSERT_EQ(removed.size(), 60u);
  EXPECT_EQ(removed.front(), "RemoveFilter(f0)");
  EXPECT_EQ(removed[49], "RemoveFilter(f49)");
  EXPECT_EQ(removed[50], "RemoveFilter(f50)");
}

// The graph gets the name's own bytes, cut after 259 whole characters (a name that is not UTF-8
// counts in Shift-JIS characters).
TEST_F(EngineTest, NamesReachTheGraphAsTheirBytesCutTo259Characters) {
  Make();
  auto times = [](const std::string& piece, size_t n) {
    std::string text;
    while (n-- > 0) text += piece;
    return text;
  };
  const struct {
    std::string piece;  // the name is "/" and 300 of these
    size_t kept;        // bytes that reach the graph
  } cases[] = {
      {"a", 259},
      {"\xE9\x9B\xA8", 1 + 258 * 3},  // 雨 in UTF-8
      {"\x89\x4A", 1 + 258 * 2},       // 雨 in Shift-JIS
  };
  for (const auto& c : cases) {
    const std::string name = "/" + times(c.piece, 300);
    world->log.clear();
    engine->OpenFile(name);
    const std::string expected = "RenderFile(" + name.substr(0, c.kept) + ")";
    EXPECT_EQ(world->log.at(kClearEmpty.size() + 1), expected);
    EXPECT_EQ(engine->FileName(), name);
  }
}

struct TPlacement {
  long w, h;
  std::string window;
};

TEST_F(EngineTest, VideoWindowIsScaledByAWholeFactorAndCentred) {
  const TPlacement cases[] = {{320, 240, "SetWindowPosition(20,0,320,240)"},
                              {352, 240, "SetWindowPosition(4,0,352,240)"},
                              {720, 480, "SetWindowPosition(0,0,360,240)"},
                              {1920, 1080, "SetWindowPosition(-300,-150,960,540)"}};
  for (const TPlacement& c : cases) {
    Make();
    Graph().hasVideo = true;
    Graph().width = c.w;
    Graph().height = c.h;
    engine->SetVideoOwner(77);
    engine->OpenFile("/m/v.avi");
    const Log tail(world->log.end() - 3, world->log.end());
    EXPECT_EQ(tail, (Log{"put_Owner(77)", "put_WindowStyle(" +
                                              std::to_string(platform::WS_CHILD |
                                                             platform::WS_CLIPSIBLINGS |
                                                             platform::WS_CLIPCHILDREN) + ")",
                         c.window}))
        << c.w << "x" << c.h;
    engine.reset();
  }
}

TEST_F(EngineTest, VideoWindowIsLeftAloneWithoutOwnerOrWithoutASize) {
  Make();
  Graph().hasVideo = true;  // sizes 0: no video size known
  engine->SetVideoOwner(77);
  engine->OpenFile("/m/a.mp3");
  EXPECT_EQ(world->log.back(), kRewind);
  // A file without video keeps the previous size.
  Graph().width = 320;
  Graph().height = 240;
  engine->SetVideoOwner(0);
  engine->OpenFile("/m/v.avi");
  Graph().hasVideo = false;
  engine->OpenFile("/m/a.mp3");
  EXPECT_EQ(engine->SourceWidth(), 320);
  EXPECT_EQ(engine->SourceHeight(), 240);
  EXPECT_EQ(world->log.back(), kRewind);
}

TEST_F(EngineTest, PlayPauseAndStopFollowTheirStateTable) {
  TBar bar;
  Make().AttachScrollBar(&bar);
  EXPECT_EQ(bar.Max(), 10000);
  Graph().stop = 100;
  Graph().current = 40;
  engine->Play();
  EXPECT_TRUE(engine->Playing());
  EXPECT_FALSE(engine->Paused());
  engine->TogglePause();
  EXPECT_TRUE(engine->Paused());
  EXPECT_TRUE(engine->Playing());
  engine->TogglePause();
  EXPECT_FALSE(engine->Paused());
  engine->TogglePause();
  EXPECT_EQ(world->log, (Log{"Run", "Pause", "Run", "Pause"}));
  world->log.clear();
  // Stop rewinds, moves the bar to 0 while still playing, stops; Paused stays as it was.
  engine->Stop();
  EXPECT_EQ(world->log, (Log{kRewind, "GetPositions", "Stop"}));
  EXPECT_EQ(bar.Position(), 0);
  EXPECT_FALSE(engine->Playing());
  EXPECT_TRUE(engine->Paused());
  engine->SetEnded(true);
  engine->Play();
  EXPECT_FALSE(engine->Paused());
  EXPECT_FALSE(engine->Ended());
}

TEST_F(EngineTest, TogglePauseOnAStoppedGraphCuesThenRunsWithoutPlaying) {
  Make();
  engine->TogglePause();
  engine->TogglePause();
  EXPECT_EQ(world->log, (Log{"Pause", "Run"}));
  EXPECT_FALSE(engine->Playing());
  EXPECT_FALSE(engine->Paused());
  world->log.clear();
  engine->UpdatePosition();
  EXPECT_EQ(world->log, Log{}) << "a stopped engine is not polled";
}

TEST_F(EngineTest, UpdatePositionMovesTheBarAndLatchesTheEndOnExactEquality) {
  TBar bar;
  Make().AttachScrollBar(&bar);
  engine->Play();
  Graph().stop = 30000000;
  Graph().current = 9999999;
  engine->UpdatePosition();
  EXPECT_EQ(bar.Position(), 3333);
  Graph().current = 29999999;  // one unit short: not the end
  engine->UpdatePosition();
  EXPECT_EQ(bar.Position(), 9999);
  EXPECT_FALSE(engine->Ended());
  Graph().current = 30000000;
  engine->UpdatePosition();
  EXPECT_EQ(bar.Position(), 10000);
  EXPECT_TRUE(engine->Ended());
  engine->SetEnded(false);
  // Unreadable positions change nothing; a stop of 0 leaves the bar but still compares.
  Graph().positionsResult = platform::E_FAIL;
  engine->UpdatePosition();
  EXPECT_FALSE(engine->Ended());
  Graph().positionsResult = S_OK;
  Graph().stop = 0;
  Graph().current = 0;
  engine->UpdatePosition();
  EXPECT_EQ(bar.Position(), 10000);
  EXPECT_TRUE(engine->Ended());
}

TEST_F(EngineTest, EndIsLatchedWithoutABar) {
  Make().Play();
  Graph().stop = Graph().current = 5;
  engine->UpdatePosition();
  EXPECT_TRUE(engine->Ended());
}

TEST_F(EngineTest, SeekToScrollPosScalesAndClampsToTheStopPosition) {
  Make();
  Graph().stop = 12345678;
  const std::pair<int, std::string> cases[] = {
      {10000, "SetPositions(12345678,1,-,0)"}, {0, "SetPositions(0,1,-,0)"},
      {5000, "SetPositions(6172839,1,-,0)"},   {1, "SetPositions(1234,1,-,0)"},
      {-5, "SetPositions(0,1,-,0)"},           {20000, "SetPositions(12345678,1,-,0)"}};
  for (const auto& [pos, call] : cases) {
    world->log.clear();
    engine->SeekToScrollPos(pos);
    EXPECT_EQ(world->log, (Log{"GetStopPosition", call})) << pos;
  }
  Graph().stop = 0;
  for (int pos : {0, 1, 5000, 10000}) {
    world->log.clear();
    engine->SeekToScrollPos(pos);
    EXPECT_EQ(world->log, (Log{"GetStopPosition", "SetPositions(0,1,-,0)"})) << pos;
  }
}

TEST_F(EngineTest, PositionsPassUnclampedAndUnreadablePositionsGiveZero) {
  Make();
  Graph().stop = 100000000;
  Graph().current = 50000000;
  engine->SkipSeconds(-15);
  EXPECT_EQ(world->log, (Log{"SetTimeFormat(MEDIA_TIME)", "GetPositions",
                             "SetPositions(-100000000,1,-,0)"}));
  Graph().current = 95000000;
  world->log.clear();
  engine->SkipSeconds(90);
  EXPECT_EQ(world->log.back(), "SetPositions(995000000,1,-,0)");
  world->log.clear();
  engine->SetPosition(-7);
  EXPECT_EQ(world->log, (Log{"SetPositions(-7,1,-,0)"}));
  EXPECT_EQ(engine->GetPosition(), -7);
  Graph().positionsResult = platform::E_FAIL;
  EXPECT_EQ(engine->GetPosition(), 0);
  world->log.clear();
  engine->SkipSeconds(5);
  EXPECT_EQ(world->log, (Log{"SetTimeFormat(MEDIA_TIME)", "GetPositions"}));
}

TEST_F(EngineTest, CorruptLengthsDoNotOverflow) {
  TBar bar;
  Make().AttachScrollBar(&bar);
  engine->Play();
  Graph().stop = INT64_MAX;
  Graph().current = INT64_MAX - 1;
  engine->UpdatePosition();
  EXPECT_EQ(bar.Position(), 10000);
  engine->SeekToScrollPos(10000);
  EXPECT_EQ(world->log.back(), "SetPositions(" + std::to_string(INT64_MAX) + ",1,-,0)");
  engine->SkipSeconds(INT64_MAX / 2);
  EXPECT_EQ(world->log.back(), "SetPositions(" + std::to_string(INT64_MAX) + ",1,-,0)");
}

TEST_F(EngineTest, RoutingFlagsApplyFromTheNextOpenFile) {
  Make();
  Graph().onRenderFile = BuildWmvGraph;
  engine->OpenFile("/m/x.wmv");
  engine->Play();
  world->log.clear();
  engine->SetVideoGateVideo(true);
  engine->SetVideoGateAudio(true);
  engine->UpdatePosition();
  EXPECT_EQ(world->log, (Log{"GetPositions"}));
  EXPECT_EQ(Graph().FilterNames(),
            (Log{"/m/x.wmv", "Video Renderer", "Default DirectSound Device"}));
}

}  // namespace
