// The media graph layer on GStreamer, through its DirectShow-style interfaces.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/mediagraph/MediaRuntime.h"
#include "support/MediaFixtures.h"

using namespace platform;
using namespace std::chrono_literals;

namespace {

constexpr LONGLONG kSecond = 10000000;

class GstGraphTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(media::Files().dir.empty()) << "could not generate the media files (ffmpeg)";
    ASSERT_TRUE(SUCCEEDED(runtime.CoInitialize()));
    ASSERT_EQ(runtime.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_IGraphBuilder, graph.PutVoid()),
              S_OK);
    ASSERT_EQ(graph->QueryInterface(IID_IMediaControl, control.PutVoid()), S_OK);
    ASSERT_EQ(graph->QueryInterface(IID_IMediaSeeking, seeking.PutVoid()), S_OK);
  }
  void TearDown() override {
    control.Reset();
    seeking.Reset();
    graph.Reset();
    runtime.CoUninitialize();
  }
  ComPtr<IBaseFilter> NewGate() {
    ComPtr<IBaseFilter> gate;
    EXPECT_EQ(runtime.CoCreateInstance(CLSID_VideoGate1000Renderer, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_IBaseFilter, gate.PutVoid()),
              S_OK);
    return gate;
  }
  std::string NameOf(IBaseFilter* filter) {
    FILTER_INFO info{};
    filter->QueryFilterInfo(&info);
    return Utf8FromWide(info.achName);
  }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    ComPtr<IEnumFilters> e;
    graph->EnumFilters(e.Put());
    IBaseFilter* f = nullptr;
    while (e->Next(1, &f, nullptr) == S_OK) {
      names.push_back(NameOf(f));
      f->Release();
    }
    return names;
  }
  bool Positions(LONGLONG* current, LONGLONG* stop) {
    return seeking->GetPositions(current, stop) == S_OK;
  }
  bool Seek(LONGLONG target) {
    return SUCCEEDED(seeking->SetPositions(&target, AM_SEEKING_AbsolutePositioning, nullptr,
                                           AM_SEEKING_NoPositioning));
  }

  std::shared_ptr<TRenderCounters> counters = std::make_shared<TRenderCounters>();
  TMediaRuntime runtime{TSinkOptions{TSinkOptions::TKind::Fake, true, counters, nullptr}};
  ComPtr<IGraphBuilder> graph;
  ComPtr<IMediaControl> control;
  ComPtr<IMediaSeeking> seeking;
  const media::TFiles& files = media::Files();
};

TEST_F(GstGraphTest, RuntimeCreatesOnlyWhatIsRegisteredAndInitialised) {
  TMediaRuntime other;
  ComPtr<IGraphBuilder> g;
  EXPECT_EQ(other.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IGraphBuilder, g.PutVoid()),
            CO_E_NOTINITIALIZED);
  ASSERT_TRUE(SUCCEEDED(other.CoInitialize()));
  EXPECT_EQ(other.CoCreateInstance(CLSID_FilterGraph, graph.Get(), CLSCTX_INPROC_SERVER,
                                   IID_IGraphBuilder, g.PutVoid()),
            CLASS_E_NOAGGREGATION);
  other.RevokeClass(CLSID_VideoGate1000Renderer);
  ComPtr<IBaseFilter> gate;
  EXPECT_EQ(other.CoCreateInstance(CLSID_VideoGate1000Renderer, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IBaseFilter, gate.PutVoid()),
            REGDB_E_CLASSNOTREG);
  EXPECT_FALSE(gate);
  EXPECT_EQ(other.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IBaseFilter, g.PutVoid()),
            E_NOINTERFACE);
  other.CoUninitialize();
}

TEST_F(GstGraphTest, NamesAreUniqueAndEnumeratorsNoticeChanges) {
  ComPtr<IBaseFilter> a = NewGate();
  ComPtr<IBaseFilter> b = NewGate();
  EXPECT_EQ(NameOf(a.Get()), "");
  EXPECT_EQ(graph->AddFilter(a.Get(), u"Gate"), S_OK);
  EXPECT_EQ(graph->AddFilter(b.Get(), u"Gate"), VFW_S_DUPLICATE_NAME);
  EXPECT_EQ(NameOf(b.Get()), "Gate 0001");

  ComPtr<IEnumFilters> e;
  ASSERT_EQ(graph->EnumFilters(e.Put()), S_OK);
  IBaseFilter* f = nullptr;
  ASSERT_EQ(e->Next(1, &f, nullptr), S_OK);
  EXPECT_EQ(f, a.Get());
  f->Release();
  EXPECT_EQ(graph->RemoveFilter(a.Get()), S_OK);
  EXPECT_EQ(NameOf(a.Get()), "");
  EXPECT_EQ(e->Next(1, &f, nullptr), VFW_E_ENUM_OUT_OF_SYNC);
  EXPECT_EQ(e->Skip(1), VFW_E_ENUM_OUT_OF_SYNC);
  EXPECT_EQ(e->Reset(), S_OK);
  EXPECT_EQ(e->Skip(1), S_OK);
  EXPECT_EQ(e->Skip(1), S_FALSE);
  EXPECT_EQ(graph->RemoveFilter(a.Get()), VFW_E_NOT_FOUND);
}

TEST_F(GstGraphTest, ExternalRendererOffersItsTwoInputPins) {
  ComPtr<IBaseFilter> gate = NewGate();
  for (const char16_t* name : {u"Video-In", u"Audio-In"}) {
    ComPtr<IPin> pin;
    ASSERT_EQ(gate->FindPin(name, pin.Put()), S_OK);
    PIN_DIRECTION dir = PINDIR_OUTPUT;
    EXPECT_EQ(pin->QueryDirection(&dir), S_OK);
    EXPECT_EQ(dir, PINDIR_INPUT);
    ComPtr<IPin> peer;
    EXPECT_EQ(pin->ConnectedTo(peer.Put()), VFW_E_NOT_CONNECTED);
    PIN_INFO info{};
    ASSERT_EQ(pin->QueryPinInfo(&info), S_OK);
    EXPECT_EQ(std::u16string(info.achName), name);
    EXPECT_EQ(info.pFilter, gate.Get());
    info.pFilter->Release();
    ComPtr<IPin> again;
    gate->FindPin(name, again.Put());
    EXPECT_EQ(again.Get(), pin.Get()) << "one pin object per pin";
  }
  ComPtr<IPin> none;
  EXPECT_EQ(gate->FindPin(u"Input", none.Put()), VFW_E_NOT_FOUND);
}

TEST_F(GstGraphTest, RenderedGraphIsConnectedAndReadableInEveryState) {
  ASSERT_EQ(graph->RenderFile(files.avi.c_str(), nullptr), S_OK);
  std::vector<std::string> names = Names();
  ASSERT_EQ(names.size(), 4u);
  EXPECT_EQ(names[0], files.avi) << "the source is named after the file";
  ComPtr<IBaseFilter> renderer;
  ASSERT_EQ(graph->FindFilterByName(u"Video Renderer", renderer.Put()), S_OK);
  ComPtr<IPin> input;
  ASSERT_EQ(renderer->FindPin(u"Input", input.Put()), S_OK);
  ComPtr<IPin> upstream;
  ASSERT_EQ(input->ConnectedTo(upstream.Put()), S_OK);
  PIN_DIRECTION dir = PINDIR_INPUT;
  upstream->QueryDirection(&dir);
  EXPECT_EQ(dir, PINDIR_OUTPUT);
  ComPtr<IPin> back;
  ASSERT_EQ(upstream->ConnectedTo(back.Put()), S_OK);
  EXPECT_EQ(back.Get(), input.Get());

  ComPtr<IBasicVideo> video;
  ASSERT_EQ(graph->QueryInterface(IID_IBasicVideo, video.PutVoid()), S_OK);
  long width = 0, height = 0;
  EXPECT_EQ(video->get_SourceWidth(&width), S_OK);
  EXPECT_EQ(video->get_SourceHeight(&height), S_OK);
  EXPECT_EQ(width, 320);
  EXPECT_EQ(height, 240);
  ComPtr<IVideoWindow> window;
  ASSERT_EQ(graph->QueryInterface(IID_IVideoWindow, window.PutVoid()), S_OK);
  EXPECT_EQ(window->SetWindowPosition(-300, -150, 960, 540), S_OK);
  long l = 0, t = 0, w = 0, h = 0;
  EXPECT_EQ(window->GetWindowPosition(&l, &t, &w, &h), S_OK);
  EXPECT_EQ(std::vector<long>({l, t, w, h}), std::vector<long>({-300, -150, 960, 540}));

  LONGLONG current = -1, stop = 0;
  ASSERT_TRUE(Positions(&current, &stop)) << "stopped";
  EXPECT_EQ(current, 0);
  EXPECT_NEAR(stop, kSecond, kSecond / 10);
  ASSERT_EQ(control->Run(), S_OK);
  EXPECT_TRUE(media::WaitUntil([&] { return Positions(&current, &stop) && current > 0; }, 5s));
  ASSERT_EQ(control->Pause(), S_OK);
  ASSERT_TRUE(Positions(&current, &stop)) << "paused";
  ASSERT_EQ(control->Stop(), S_OK);
  ASSERT_TRUE(Positions(&current, &stop)) << "stopped after playing";
}

TEST_F(GstGraphTest, TheEndIsExactAndSeeksAreKeptInsideTheStream) {
  ASSERT_EQ(graph->RenderFile(files.wav3.c_str(), nullptr), S_OK);
  LONGLONG current = 0, stop = 0;
  ASSERT_TRUE(Positions(&current, &stop));
  EXPECT_EQ(stop, 3 * kSecond);
  // Past the end: ended at once, at the end.
  ASSERT_TRUE(Seek(10 * kSecond));
  ASSERT_TRUE(Positions(&current, &stop));
  EXPECT_EQ(current, stop);
  // Before the start: the start.
  ASSERT_TRUE(Seek(-5 * kSecond));
  ASSERT_TRUE(Positions(&current, &stop));
  EXPECT_EQ(current, 0);
  ASSERT_TRUE(Seek(stop - kSecond / 5));
  ASSERT_TRUE(Positions(&current, &stop));
  EXPECT_NEAR(current, stop - kSecond / 5, kSecond / 100);
  ASSERT_EQ(control->Run(), S_OK);
  // Playing, the position stays short of the stop until the stream really ends.
  ASSERT_TRUE(media::WaitUntil([&] {
    if (!Positions(&current, &stop)) return false;
    EXPECT_LE(current, stop);
    return current == stop;
  }, 5s));
  std::this_thread::sleep_for(100ms);
  ASSERT_TRUE(Positions(&current, &stop));
  EXPECT_EQ(current, stop) << "stays at the end";
  ASSERT_TRUE(Seek(0));
  ASSERT_TRUE(Positions(&current, &stop));
  EXPECT_LT(current, stop);
}

TEST_F(GstGraphTest, FailedRenderLeavesNothingBehind) {
  for (const std::string& name : {files.textMp3, files.dir + "/missing.wav"}) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(FAILED(graph->RenderFile(name.c_str(), nullptr))) << name;
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s) << name;
    EXPECT_TRUE(Names().empty()) << name;
    LONGLONG current = 0, stop = 0;
    EXPECT_FALSE(Positions(&current, &stop));
    EXPECT_EQ(control->Run(), S_OK);
    EXPECT_EQ(control->Stop(), S_OK);
  }
  ComPtr<IVideoWindow> window;
  ASSERT_EQ(graph->QueryInterface(IID_IVideoWindow, window.PutVoid()), S_OK);
  EXPECT_EQ(window->put_Owner(1), E_NOINTERFACE) << "no video renderer in the graph";
}

// A name is bytes: a Shift-JIS one (雨 is 89 4A), which is not UTF-8, reaches the file source as
// it is, and the file plays to its end.
TEST_F(GstGraphTest, AFileNamedInShiftJisPlaysToItsEnd) {
  const std::string name = files.dir + "/2_\x89\x4A.wav";
  namespace fs = std::filesystem;
  fs::copy_file(files.wavHalf, name, fs::copy_options::overwrite_existing);
  ASSERT_EQ(graph->RenderFile(name.c_str(), nullptr), S_OK);
  ASSERT_EQ(control->Run(), S_OK);
  LONGLONG current = 0, stop = 0;
  EXPECT_TRUE(media::WaitUntil([&] { return Positions(&current, &stop) && current == stop; }, 5s));
  EXPECT_EQ(stop, kSecond / 2);
  EXPECT_GT(counters->audioRenderer, 0);
}

TEST_F(GstGraphTest, ConnectInsertsADecoderBetweenASourceAndARenderer) {
  ComPtr<IBaseFilter> source;
  ASSERT_EQ(graph->AddSourceFilter(files.mp3.c_str(), u"SOURCE", source.Put()), S_OK);
  ComPtr<IBaseFilter> gate = NewGate();
  ASSERT_EQ(graph->AddFilter(gate.Get(), u"Gate"), S_OK);
  ComPtr<IPin> output, input;
  ASSERT_EQ(source->FindPin(u"Output", output.Put()), S_OK);
  ASSERT_EQ(gate->FindPin(u"Audio-In", input.Put()), S_OK);
  ASSERT_EQ(graph->Connect(output.Get(), input.Get()), S_OK);
  EXPECT_EQ(Names(), (std::vector<std::string>{"SOURCE", "Gate", "Decoder"}));
  EXPECT_EQ(graph->Connect(output.Get(), input.Get()), VFW_E_ALREADY_CONNECTED);
  ASSERT_TRUE(Seek(3 * kSecond - kSecond / 10));
  ASSERT_EQ(control->Run(), S_OK);
  LONGLONG current = 0, stop = 0;
  EXPECT_TRUE(media::WaitUntil([&] { return Positions(&current, &stop) && current == stop; }, 5s));
  EXPECT_GT(counters->gateAudio, 0);
  EXPECT_EQ(counters->audioRenderer, 0);

  // Without its decoder the renderer has no stream; rendering the source again finds it free.
  ComPtr<IBaseFilter> decoder;
  ASSERT_EQ(graph->FindFilterByName(u"Decoder", decoder.Put()), S_OK);
  ASSERT_EQ(control->Stop(), S_OK);
  ASSERT_EQ(graph->RemoveFilter(decoder.Get()), S_OK);
  ComPtr<IPin> peer;
  EXPECT_EQ(input->ConnectedTo(peer.Put()), VFW_E_NOT_CONNECTED);
  EXPECT_FALSE(Positions(&current, &stop)) << "nothing rendered any more";
  ASSERT_EQ(graph->Render(output.Get()), S_OK);
  EXPECT_EQ(Names(), (std::vector<std::string>{"SOURCE", "Gate", "Decoder"}));
  const long before = counters->gateAudio;
  ASSERT_EQ(control->Run(), S_OK);
  EXPECT_TRUE(media::WaitUntil([&] { return counters->gateAudio > before; }, 5s));
}

}  // namespace
