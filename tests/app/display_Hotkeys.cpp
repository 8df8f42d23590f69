// Global hotkeys on a real X server: Super plus the key reaches the main window's message hook
// as WM_HOTKEY and runs the command of its number.

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QProcess>
#include <QWidget>

#include "AppTestSupport.h"
#include "app/ApplicationEvents.h"
#include "app/uMain.h"
#include "desktop/Winplace.h"

// Xlib's macros clash with Qt's names: its headers come after Qt's.
#include <X11/Xlib.h>
#include <X11/keysym.h>

using namespace orvane_test;

namespace {

// Runs the event loop until done() holds or the time is up.
bool ProcessEventsUntil(const std::function<bool()>& done, int timeoutMs) {
  QDeadlineTimer deadline(timeoutMs);
  while (!done() && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  }
  return done();
}

}  // namespace

TEST(GlobalHotkeyTest, SuperAndTheKeyReachTheHookAndRunTheirCommand) {
  EnsureApplication();
  TTempDir dir;
  SetApplicationIniFileName(dir.File("orvane.ini"));
  WriteFile(dir.File("orvane.ini"), "[ShortCut]\nPause=Ctrl+F7\n");
  TMessageRecorder messages;
  {
    TfrmMain form(MakeEngineWithoutGraph);
    form.show();
    std::vector<platform::TMsg> seen;
    form.ApplicationEvents1->SetOnMessage([&](platform::TMsg& msg, bool& handled) {
      seen.push_back(msg);
      form.ApplicationEvents1Message(msg, handled);
    });

    // Only Super counts: the Ctrl of the text is not part of the grab.
    ASSERT_TRUE(PressKeys("super+F7"));
    ASSERT_TRUE(ProcessEventsUntil([&] { return !seen.empty(); }, 20000));
    EXPECT_EQ(seen[0].message, platform::WM_HOTKEY);
    EXPECT_EQ(seen[0].wParam, 0u);

    ASSERT_TRUE(PressKeys("super+Home"));  // hotkey 5 hides the window
    ASSERT_TRUE(ProcessEventsUntil([&] { return !form.isVisible(); }, 20000));
    ASSERT_TRUE(PressKeys("super+Home"));  // and shows it again
    ASSERT_TRUE(ProcessEventsUntil([&] { return form.isVisible(); }, 20000));

    // A plain Home is no hotkey.
    const size_t before = seen.size();
    ASSERT_TRUE(PressKeys("Home"));
    ProcessEventsUntil([] { return false; }, 500);
    EXPECT_EQ(seen.size(), before);
  }
  SetApplicationIniFileName("");
  // The grab left the text's own modifiers alone.
  EXPECT_NE(ReadFile(dir.File("orvane.ini")).find("Pause=Ctrl+F7\n"), std::string::npos);
}

// A combination another client grabbed first cannot be had: the start says so on standard error,
// naming the settings key and the combination, and the other hotkeys are still registered.
TEST(GlobalHotkeyTest, AKeyHeldByAnotherClientIsReportedOnStandardError) {
  EnsureApplication();
  TTempDir dir;
  SetApplicationIniFileName(dir.File("orvane.ini"));
  TMessageRecorder messages;
  Display* other = XOpenDisplay(nullptr);
  ASSERT_NE(other, nullptr);
  const KeyCode right = XKeysymToKeycode(other, XK_Right);
  XGrabKey(other, right, Mod4Mask, DefaultRootWindow(other), True, GrabModeAsync, GrabModeAsync);
  XSync(other, False);
  std::string said;
  {
    testing::internal::CaptureStderr();
    TfrmMain form(MakeEngineWithoutGraph);
    said = testing::internal::GetCapturedStderr();
  }
  XCloseDisplay(other);
  SetApplicationIniFileName("");
  EXPECT_NE(said.find("hotkey Next (Super+Right) is not available: another program holds it"),
            std::string::npos)
      << said;
  EXPECT_EQ(said.find("hotkey Prev"), std::string::npos) << said;
}
