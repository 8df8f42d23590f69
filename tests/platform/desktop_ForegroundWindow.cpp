// SetForegroundWindow under a window manager (with-desktop: Xvfb and openbox): a window behind
// another program's window comes in front and gets the keyboard.

#include "platform/ForegroundWindow.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QWidget>

#include <functional>

namespace {

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
  QDeadlineTimer deadline(timeoutMs);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  }
  return true;
}

// The window the manager calls active, in decimal as xdotool prints it.
QString ActiveWindow() {
  QProcess xdotool;
  xdotool.start("xdotool", {"getactivewindow"});
  if (!xdotool.waitForFinished(10000)) return {};
  return QString::fromUtf8(xdotool.readAllStandardOutput()).trimmed();
}

QString Id(const QWidget& window) { return QString::number(window.winId()); }

}  // namespace

TEST(ForegroundWindowTest, WindowBehindAnotherProgramComesInFront) {
  static int argc = 1;
  static char name[] = "desktop_platform_tests";
  static char* argv[] = {name, nullptr};
  QApplication app(argc, argv);
  QWidget ours;
  ours.setWindowTitle("ours");
  ours.resize(300, 200);
  ours.show();
  ASSERT_TRUE(WaitFor([&] { return ActiveWindow() == Id(ours); }, 20000));

  // Another program's window takes the front and the focus.
  QProcess other;
  other.start("xmessage", {"-name", "other", "other program"});
  ASSERT_TRUE(other.waitForStarted(10000));
  ASSERT_TRUE(WaitFor([&] { return !ActiveWindow().isEmpty() && ActiveWindow() != Id(ours); },
                      20000));
  const QString otherWindow = ActiveWindow();
  WaitFor([] { return false; }, 500);
  EXPECT_EQ(ActiveWindow(), otherWindow);  // left alone, ours stays behind

  EXPECT_TRUE(platform::SetForegroundWindow(&ours));
  EXPECT_TRUE(WaitFor([&] { return ActiveWindow() == Id(ours); }, 10000));

  // A hidden window stands for the application's first visible one; none at all gives false.
  ours.hide();
  EXPECT_FALSE(platform::SetForegroundWindow(&ours));
  other.kill();
  other.waitForFinished(5000);
}
