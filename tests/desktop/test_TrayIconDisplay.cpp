// TTrayIcon on a real X display (private Xvfb) with an XEmbed notification area (trayer):
// the icon appears, the pointer over it is reported, a right click opens the menu at the
// cursor, a left double-click raises OnDblClick. Set ORVANE_TRAY_SCREENSHOT to a file name to
// keep a picture of the screen with the menu open.

#include "desktop/TrayIcon.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QProcess>
#include <QSystemTrayIcon>
#include <QThread>
#include <QWidget>
#include <QWindow>

#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "tests/desktop/TrayIconTestApp.h"

namespace {

// Runs the event loop until done() holds or timeoutMs passes; answers done().
bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QThread::msleep(20);
  }
  return true;
}

bool RunTool(const QString& program, const QStringList& arguments, int timeoutMs = 15000) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForFinished(timeoutMs)) {
    process.kill();
    process.waitForFinished(2000);
    return false;
  }
  return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// The windows Qt's XEmbed tray icons draw in, once they are on screen.
std::vector<QWidget*> TrayIconWindows() {
  std::vector<QWidget*> windows;
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (widget->objectName() == QLatin1String("QSystemTrayIconSys") && widget->isVisible())
      windows.push_back(widget);
  return windows;
}

QWidget* TrayIconWindow() {
  const std::vector<QWidget*> windows = TrayIconWindows();
  return windows.empty() ? nullptr : windows.front();
}

// True once the tray has taken the X window in: its parent is no longer the root window.
bool Embedded(QWidget* window) {
  QProcess info;
  info.start("xwininfo", {"-id", QString::number(window->windowHandle()->winId()), "-tree"});
  if (!info.waitForFinished(10000)) return false;
  for (const QString& line : QString::fromLocal8Bit(info.readAllStandardOutput()).split('\n'))
    if (line.contains("Parent window id:")) return !line.contains("(the root window)");
  return false;
}

struct Event {
  const char* kind;
  TMouseButton button;
};

class TrayIconDisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY")) << "needs an X display (with-xvfb)";
    EnsureTestApplication();
    tray.start("trayer", {"--edge", "top", "--align", "left", "--widthtype", "request",
                          "--height", "32", "--SetDockType", "false"});
    ASSERT_TRUE(tray.waitForStarted(15000)) << "trayer did not start";
    ASSERT_TRUE(WaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, 20000))
        << "no notification area appeared";
  }
  void TearDown() override {
    if (tray.state() != QProcess::NotRunning) {
      tray.terminate();
      if (!tray.waitForFinished(5000)) tray.kill();
      tray.waitForFinished(2000);
    }
  }

  QProcess tray;
};

TEST_F(TrayIconDisplayTest, RightClickOpensTheMenuAndDoubleClickIsReported) {
  QWidget owner;  // the hidden main window
  QMenu popup;
  for (const char* item : {"Exit", "", "SelectPath", "", "Play", "Stop", "Pause", "Prev", "Next",
                           "", "Show", "Hide"}) {
    if (*item) popup.addAction(item); else popup.addSeparator();
  }
  std::vector<Event> events;
  int moves = 0;
  auto icon = std::make_unique<TTrayIcon>(&owner);
  icon->SetRBPopupMenu(&popup);
  icon->SetTipHelp("Orvane");
  icon->SetOnMouseMove([&](QObject*, TShiftState, int, int) { ++moves; });
  icon->SetOnMouseDown([&](QObject*, TMouseButton b, TShiftState, int, int) {
    events.push_back({"down", b});
  });
  icon->SetOnMouseUp([&](QObject*, TMouseButton b, TShiftState, int, int) {
    events.push_back({"up", b});
  });
  icon->SetOnDblClick([&](QObject*) { events.push_back({"dblclick", mbLeft}); });
  icon->Loaded();
  ASSERT_TRUE(icon->Registered());

  ASSERT_TRUE(WaitFor([&] { return TrayIconWindow() != nullptr; }, 20000))
      << "the icon never appeared";
  // Qt makes the icon's window again when the tray embeds it, so it is looked up each time.
  const auto id = [] {
    QWidget* window = TrayIconWindow();
    return window ? QString::number(window->windowHandle()->winId()) : QString("0");
  };

  // Until the tray has embedded the icon, the pointer may not reach it: move until it does.
  ASSERT_TRUE(WaitFor(
      [&] {
        RunTool("xdotool", {"mousemove", "--window", id(), "6", "6"});
        RunTool("xdotool", {"mousemove", "--window", id(), "8", "8"});
        return WaitFor([&] { return moves > 0; }, 500);
      },
      30000))
      << "the pointer over the icon was never reported";

  // Near the lower right corner, so that the open menu leaves most of the icon in sight.
  ASSERT_TRUE(RunTool("xdotool", {"mousemove", "--window", id(), "18", "24", "click", "3"}));
  ASSERT_TRUE(WaitFor([&] { return popup.isVisible(); }, 20000)) << "the menu did not open";
  // At the cursor: a corner of the menu is there (Qt moves a menu that would leave the screen).
  EXPECT_TRUE(popup.geometry().adjusted(-2, -2, 2, 2).contains(platform::GetCursorPos()))
      << "menu at " << popup.x() << "," << popup.y();
  if (const char* shot = std::getenv("ORVANE_TRAY_SCREENSHOT")) {
    WaitFor([] { return false; }, 500);  // let the menu paint
    EXPECT_TRUE(RunTool("import", {"-window", "root", shot}));
  }
  // The press opened the menu, so it is no OnMouseDown. (The release may reach the menu
  // instead of the icon, once the menu holds the pointer, so it is not waited for.)
  WaitFor([] { return false; }, 300);
  for (const Event& event : events) EXPECT_STRNE(event.kind, "down");
  popup.hide();
  events.clear();

  ASSERT_TRUE(RunTool("xdotool", {"mousemove", "--window", id(), "8", "8"}));
  ASSERT_TRUE(RunTool("xdotool", {"click", "--repeat", "2", "--delay", "80", "1"}));
  ASSERT_TRUE(WaitFor([&] { return events.size() >= 4; }, 20000))
      << "got " << events.size() << " events";
  // Press, release, double-click, release: as the shell reports a double-click.
  EXPECT_STREQ(events[0].kind, "down");
  EXPECT_EQ(events[0].button, mbLeft);
  EXPECT_STREQ(events[1].kind, "up");
  EXPECT_STREQ(events[2].kind, "dblclick");
  EXPECT_STREQ(events[3].kind, "up");

  icon.reset();
  EXPECT_TRUE(WaitFor([] { return TrayIconWindow() == nullptr; }, 10000))
      << "the icon stayed after destruction";
}

// With two icons the service tells their windows apart: each click reaches its own component.
TEST_F(TrayIconDisplayTest, TwoIconsEachGetTheirOwnClicks) {
  std::vector<std::unique_ptr<TTrayIcon>> icons;
  std::vector<int> presses(2, 0);
  for (int i = 0; i < 2; ++i) {
    icons.push_back(std::make_unique<TTrayIcon>(nullptr));
    icons[i]->SetOnMouseDown([&presses, i](QObject*, TMouseButton, TShiftState, int, int) {
      ++presses[i];
    });
    icons[i]->Loaded();
  }
  ASSERT_TRUE(WaitFor(
      [] {
        const std::vector<QWidget*> windows = TrayIconWindows();
        return windows.size() == 2 && Embedded(windows[0]) && Embedded(windows[1]);
      },
      30000))
      << "the icons were not both embedded";
  WaitFor([] { return false; }, 1000);  // let Qt finish remaking the embedded windows

  std::vector<QString> ids;
  for (QWidget* window : TrayIconWindows()) ids.push_back(QString::number(window->winId()));
  ASSERT_EQ(ids.size(), 2u);
  // Which component answers a click on each window: -1 for none.
  const auto ownerOf = [&](const QString& id) {
    const std::vector<int> before = presses;
    if (!RunTool("xdotool", {"mousemove", "--window", id, "8", "8", "click", "1"})) return -1;
    WaitFor([&] { return presses != before; }, 10000);
    for (int i = 0; i < 2; ++i)
      if (presses[i] == before[i] + 1 && presses[1 - i] == before[1 - i]) return i;
    return -1;
  };
  const int first = ownerOf(ids[0]);
  const int second = ownerOf(ids[1]);
  ASSERT_NE(first, -1);
  ASSERT_NE(second, -1);
  EXPECT_NE(first, second);
  EXPECT_EQ(ownerOf(ids[0]), first) << "a second click went elsewhere";
}

}  // namespace
