// Video windows with the real video sink on a private X server: the video renderer's window is
// embedded into its owner and placed there; the external renderer shows its own "VideoGate1000".
#include "engine/VideoGate1000.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QWindow>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/mediagraph/MediaRuntime.h"
#include "platform/mediagraph/SinkOptions.h"
#include "platform/MessageBox.h"
#include "support/MediaFixtures.h"

using namespace std::chrono_literals;

namespace {

// Output of an X utility, through a file of this test's own.
std::string XQuery(const std::string& command) {
  const std::string out = media::Files().dir + "/x11-query.txt";
  if (std::system((command + " > '" + out + "' 2>&1").c_str()) != 0) return {};
  std::ifstream in(out);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Lets Qt and the X server settle, then checks cond; repeated until the timeout.
bool Settle(const std::function<bool()>& cond) {
  return media::WaitUntil([&] {
    QCoreApplication::processEvents();
    return cond();
  }, 5s);
}

// The id of the first visible window with this exact name, or "".
std::string VisibleWindow(const std::string& name) {
  const std::string ids = XQuery("xdotool search --onlyvisible --name '^" + name + "$'");
  return ids.substr(0, ids.find('\n'));
}

// The mean brightness (0..1) of what a window shows.
double Brightness(const std::string& id) {
  const std::string mean = XQuery("import -window " + id + " -format '%[fx:mean]' info:");
  return mean.empty() ? 0 : std::atof(mean.c_str());
}

class WindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "engine_window_tests";
    static char* argv[] = {name, nullptr};
    app = new QGuiApplication(argc, argv);
  }
  static void TearDownTestSuite() {
    delete app;
    app = nullptr;
  }
  void SetUp() override {
    ASSERT_FALSE(media::Files().dir.empty());
    ASSERT_EQ(QGuiApplication::platformName(), "xcb");
    previous_ = platform::SetMessageBoxShower([this](const std::string& text, const std::string&,
                                                     unsigned) {
      messages.push_back(text);
      return platform::IDOK;
    });
  }
  void TearDown() override { platform::SetMessageBoxShower(previous_); }

  static inline QGuiApplication* app = nullptr;
  std::vector<std::string> messages;
  // The real video sinks on the private X server; the sound goes nowhere (at its own pace), so
  // the test never plays through the machine's sound server.
  std::shared_ptr<platform::TComRuntime> runtime =
      std::make_shared<platform::TMediaRuntime>(platform::TSinkOptions{
          platform::TSinkOptions::TKind::Real, true, nullptr,
          std::make_shared<platform::TSinkProbe>(std::vector<std::string>{"xvimagesink",
                                                                          "ximagesink"},
                                                 std::vector<std::string>{"fakesink"})});

 private:
  platform::TMessageBoxShower previous_;
};

TEST_F(WindowTest, VideoIsEmbeddedInItsOwnerAtThePlacedRectangle) {
  QWindow owner;
  owner.resize(640, 480);
  owner.show();
  const uintptr_t id = owner.winId();
  TVideoGate1000 engine(runtime);
  engine.SetVideoOwner(id);
  engine.OpenFile(media::Files().avi);
  engine.Play();
  EXPECT_EQ(messages, std::vector<std::string>{});
  // 320 x 240: scale 2, shown at half size, centred in 360 x 240.
  const std::string query = "xwininfo -children -id " + std::to_string(id);
  EXPECT_TRUE(Settle([&] { return XQuery(query).find("320x240+20+0") != std::string::npos; }))
      << XQuery(query);
  EXPECT_TRUE(Settle([&] { return engine.GetPosition() > 0; }));
  engine.Stop();
}

TEST_F(WindowTest, ExternalRendererShowsItsOwnWindow) {
  TVideoGate1000 engine(runtime);
  engine.SetVideoGateVideo(true);
  engine.SetVideoGateAudio(true);
  engine.OpenFile(media::Files().wmv);
  engine.Play();
  EXPECT_EQ(messages, std::vector<std::string>{});
  EXPECT_TRUE(Settle([&] {
    return XQuery("xwininfo -root -tree").find("\"VideoGate1000\"") != std::string::npos;
  })) << XQuery("xwininfo -root -tree");
  EXPECT_TRUE(Settle([&] {
    engine.UpdatePosition();
    return engine.Ended();
  }));
}

TEST_F(WindowTest, AVideoWindowClosedByTheUserIsMadeAgainForTheNextVideo) {
  TVideoGate1000 engine(runtime);
  engine.OpenFile(media::Files().avi);
  engine.Play();
  std::string first;
  ASSERT_TRUE(Settle([&] { return !(first = VisibleWindow("ActiveMovie Window")).empty(); }));
  // Alt+F4 as the user presses it: the window manager asks the window to close.
  XQuery("xdotool windowactivate --sync " + first + " key --clearmodifiers alt+F4");
  EXPECT_TRUE(Settle([&] { return VisibleWindow("ActiveMovie Window").empty(); }));
  EXPECT_TRUE(Settle([&] {
    engine.UpdatePosition();
    return engine.Ended();
  })) << "the file plays on without its window";

  engine.OpenFile(media::Files().mpg);
  engine.Play();
  std::string second;
  ASSERT_TRUE(Settle([&] { return !(second = VisibleWindow("ActiveMovie Window")).empty(); }));
  EXPECT_NE(second, first);
  // The test picture is drawn into it: coloured bars, far from black.
  EXPECT_TRUE(Settle([&] { return Brightness(second) > 0.2; })) << Brightness(second);
  EXPECT_EQ(messages, std::vector<std::string>{});
  engine.Stop();
}

}  // namespace
