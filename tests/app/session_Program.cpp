// The real program on a private session bus and a private X server: a second start shows the
// first one's hidden window, and without a session bus the program runs as before.

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QProcess>
#include <QThread>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "AppTestSupport.h"

namespace fs = std::filesystem;

namespace {

const QString kTitle = "Ver1.07 Orvane";

// Runs a helper program to its end; its standard output.
QString Output(const QString& program, const QStringList& args) {
  QProcess process;
  process.start(program, args);
  if (!process.waitForFinished(10000)) return {};
  return QString::fromUtf8(process.readAllStandardOutput());
}

bool Succeeds(const QString& program, const QStringList& args) {
  QProcess process;
  process.start(program, args);
  return process.waitForFinished(10000) && process.exitCode() == 0;
}

int VisibleWindows() {
  return Output("xdotool", {"search", "--onlyvisible", "--name", kTitle})
      .split('\n', Qt::SkipEmptyParts)
      .size();
}

bool WaitFor(const std::function<bool()>& done, int timeoutMs = 30000) {
  QDeadlineTimer deadline(timeoutMs);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QThread::msleep(200);
  }
  return true;
}

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    orvane_test::EnsureApplication();
    // A copy of the program, so that its settings file lands in this folder, and a runtime
    // folder of its own for the single-instance lock.
    fs::copy_file(fs::path(ORVANE_BIN_DIR) / "orvane", Dir / "orvane");
    fs::create_directory(Dir / "run");
    fs::permissions(Dir / "run", fs::perms::owner_all);
    Environment.insert("XDG_RUNTIME_DIR", QString::fromStdString((Dir / "run").string()));
  }
  void TearDown() override {
    for (QProcess* process : {&First, &Second}) {
      if (process->state() == QProcess::NotRunning) continue;
      process->terminate();
      if (!process->waitForFinished(30000)) process->kill();
      process->waitForFinished(10000);
    }
  }

  void Start(QProcess& process) {
    process.setProcessEnvironment(Environment);
    process.start(QString::fromStdString((Dir / "orvane").string()), {});
    ASSERT_TRUE(process.waitForStarted(30000));
  }

  // Starts a second instance and waits for it to end; its exit code.
  int RunSecond() {
    Start(Second);
    if (!Second.waitForFinished(30000)) return -1;
    return Second.exitStatus() == QProcess::NormalExit ? Second.exitCode() : -1;
  }

  orvane_test::TTempDir Temp;
  fs::path Dir = Temp.Path();
  QProcessEnvironment Environment = QProcessEnvironment::systemEnvironment();
  QProcess First;
  QProcess Second;
};

}  // namespace

TEST_F(ProgramTest, SecondStartShowsTheHiddenFirstWindowAndEndsWithZero) {
  Start(First);
  ASSERT_TRUE(WaitFor([] { return VisibleWindows() == 1; }, 60000)) << "no window";
  // Super+Home, the window's own hotkey, hides it.
  ASSERT_TRUE(Succeeds("xdotool", {"key", "super+Home"}));
  ASSERT_TRUE(WaitFor([] { return VisibleWindows() == 0; })) << "the window did not hide";

  EXPECT_EQ(RunSecond(), 0);
  EXPECT_TRUE(WaitFor([] { return VisibleWindows() == 1; })) << "the window stayed hidden";
  EXPECT_EQ(First.state(), QProcess::Running);
}

TEST_F(ProgramTest, WithoutASessionBusTheProgramRunsAndASecondStartStillEnds) {
  Environment.remove("DBUS_SESSION_BUS_ADDRESS");
  Start(First);
  ASSERT_TRUE(WaitFor([] { return VisibleWindows() == 1; }, 60000)) << "no window";
  // Nothing of it on the test's bus.
  EXPECT_FALSE(Output("playerctl", {"-l"}).contains("orvane"));
  EXPECT_EQ(RunSecond(), 0);
  EXPECT_EQ(First.state(), QProcess::Running);
}
