// Two real processes of the program under a private X server: the second start leaves at once,
// silently and successfully, and the first keeps running.

#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "support/ProgramCopy.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QThread>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

// Window ids whose title holds the text, as xdotool reports them.
int CountWindows(const QString& title) {
  QProcess search;
  search.start("xdotool", {"search", "--name", title});
  if (!search.waitForFinished(10000)) return -1;
  return QString::fromUtf8(search.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts).size();
}

bool WaitForWindow(const QString& title, int timeoutMs) {
  QDeadlineTimer deadline(timeoutMs);
  while (!deadline.hasExpired()) {
    if (CountWindows(title) > 0) return true;
    QThread::msleep(200);
  }
  return false;
}

class SingleInstanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "orvane-instance-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    Dir = pattern;
    Environment = orvane_test::CopyProgramInto(Dir);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(Dir, ignored);
  }

  void Start(QProcess& process) {
    process.setProcessEnvironment(Environment);
    process.setProgram(QString::fromStdString((Dir / "orvane").string()));
    process.start();
  }

  fs::path Dir;
  QProcessEnvironment Environment;
};

}  // namespace

TEST_F(SingleInstanceTest, SecondStartEndsAtOnceAndTheFirstKeepsRunning) {
  orvane_test::EnsureApplication();

  QProcess first;
  Start(first);
  ASSERT_TRUE(first.waitForStarted(30000));
  ASSERT_TRUE(WaitForWindow("Ver1.07 Orvane", 60000)) << "the first instance showed no window";

  QProcess second;
  Start(second);
  ASSERT_TRUE(second.waitForStarted(30000));
  ASSERT_TRUE(second.waitForFinished(30000)) << "the second instance did not end";
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.exitCode(), 0);
  EXPECT_TRUE(second.readAllStandardOutput().isEmpty());

  EXPECT_EQ(first.state(), QProcess::Running);
  EXPECT_EQ(CountWindows("Ver1.07 Orvane"), 1);

  first.terminate();
  if (!first.waitForFinished(30000)) {
    first.kill();
    first.waitForFinished(10000);
  }
}
