// The real program on a private session bus and a private X server: playerctl drives it while it
// plays an album it resumes from its settings; a file that follows another without a gap is
// named as any file started; a second start shows the first one's hidden window; without a
// session bus the program runs as before; and a termination signal saves the place as a close
// does.

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QProcess>
#include <QThread>

#include <signal.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "AppTestSupport.h"
#include "SessionSupport.h"

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
    session_test::CopyProgram(Dir, Environment);
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

  // Settings that resume the album's first file, playing, at the next start.
  std::string ResumeAlbum() {
    const std::string album = (Dir / "A").string();
    if (!session_test::MakeAlbum(album)) return {};
    WriteResumeSettings(album);
    return album;
  }
  void WriteResumeSettings(const std::string& album) {
    orvane_test::WriteFile((Dir / "orvane.ini").string(),
                           "[Main]\nPath=" + Dir.string() + "/\nPlayPath=" + album +
                               "/\nPlayFile=" + album + "/01.mp3\nPlaying=1\nMask=1\n");
  }
  std::string Saved(const std::string& key) {
    for (const auto& [section, name, value] :
         orvane_test::ParseIni(orvane_test::ReadFile((Dir / "orvane.ini").string()))) {
      if (section == "Main" && name == key) return value;
    }
    return "<missing>";
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

TEST_F(ProgramTest, PlayerctlDrivesTheProgramThroughAnAlbum) {
  using namespace session_test;
  ASSERT_FALSE(ResumeAlbum().empty());
  Start(First);
  ASSERT_TRUE(WaitFor([] { return VisibleWindows() == 1; }, 60000)) << "no window";
  ASSERT_NO_FATAL_FAILURE(RunSteps({
      {{}, {"status"}, Is("Playing")},
      {{}, {"metadata", "title"}, Is("Title 1")},
      {{"next"}, {"metadata", "title"}, Is("Title 2")},
      {{}, {"status"}, Is("Playing")},
      {{"pause"}, {"status"}, Is("Paused")},
      {{"position", "1"}, {"position"}, Between(0.95, 1.05)},
      {{"position", "5+"}, {"position"}, Between(5.95, 6.05)},
      {{"play"}, {"status"}, Is("Playing")},
      // The end of a file goes on to the next one, and the status follows.
      {{"position", "19.5"}, {"metadata", "title"}, Is("Title 3")},
      {{}, {"status"}, Is("Playing")},
      {{"stop"}, {"status"}, Is("Stopped")},
  }));
  // The window names what played last.
  EXPECT_EQ(Output("xdotool", {"search", "--name", "03.mp3 - Title 3"}).count('\n'), 1);
  // Quit over the bus ends the program as "Exit" does.
  EXPECT_TRUE(Succeeds("dbus-send", {"--session", "--print-reply",
                                     "--dest=org.mpris.MediaPlayer2.orvane",
                                     "/org/mpris/MediaPlayer2", "org.mpris.MediaPlayer2.Quit"}));
  ASSERT_TRUE(First.waitForFinished(30000));
  EXPECT_EQ(First.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(First.exitCode(), 0);
}

// A name in Shift-JIS bytes (雨 is 89 4A, as on disks from Japanese systems) plays as it is
// listed, and a file of random bytes after it is passed: the album goes on to its third file.
TEST_F(ProgramTest, AShiftJisNamePlaysAndAFileThatCannotBePlayedIsPassed) {
  using namespace session_test;
  const std::string album = (Dir / "A").string();
  const std::string rain = album + "/1_\x89\x4A.mp3";
  fs::create_directories(album);
  ASSERT_TRUE(Ffmpeg("-f lavfi -i sine=duration=3 -id3v2_version 3 -metadata title=Rain '" +
                     rain + "'"));
  std::string noise(20000, '\0');
  for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<char>((i * 7919u) >> 3);
  orvane_test::WriteFile(album + "/2.mp3", noise);
  ASSERT_TRUE(Ffmpeg("-f lavfi -i sine=duration=20 -id3v2_version 3 -metadata title=Three '" +
                     album + "/3.mp3'"));
  orvane_test::WriteFile((Dir / "orvane.ini").string(),
                         "[Main]\nPath=" + Dir.string() + "/\nPlayPath=" + album +
                             "/\nPlayFile=" + rain + "\nPlaying=1\nMask=1\n");
  Start(First);
  ASSERT_TRUE(WaitFor([] { return VisibleWindows() == 1; }, 60000)) << "no window";
  // Played, not passed: its position moves past 1 s (position in microseconds).
  std::string answer;
  EXPECT_TRUE(AnswerHolds({"metadata", "--format", "{{title}} {{position}}"},
                          [](const std::string& a) {
                            return a.rfind("Rain ", 0) == 0 && std::atoll(a.c_str() + 5) > 1000000;
                          },
                          &answer))
      << answer;
  RunSteps({{{}, {"metadata", "title"}, Is("Three")}, {{}, {"status"}, Is("Playing")}});
}

// Two WAV files of an album with Gapless=1: once the second follows the first in the same
// output, the caption, the media controls and the settings saved at the end name it.
TEST_F(ProgramTest, AFileJoinedToTheOneBeforeIsNamedAsAFileStartedAtAnEnd) {
  using namespace session_test;
  const std::string album = (Dir / "A").string();
  fs::create_directories(album);
  ASSERT_TRUE(Ffmpeg("-f lavfi -i sine=duration=2 -metadata title=One '" + album + "/1.wav'"));
  ASSERT_TRUE(Ffmpeg("-f lavfi -i sine=duration=20 -metadata title=Two '" + album + "/2.wav'"));
  orvane_test::WriteFile((Dir / "orvane.ini").string(),
                         "[Main]\nPath=" + Dir.string() + "/\nPlayPath=" + album +
                             "/\nPlayFile=" + album + "/1.wav\nPlaying=1\nMask=0\n"
                             "[Play]\nGapless=1\n");
  Start(First);
  ASSERT_TRUE(WaitFor([] { return VisibleWindows() == 1; }, 60000)) << "no window";
  ASSERT_NO_FATAL_FAILURE(RunSteps({{{}, {"metadata", "title"}, Is("Two")}}));
  const QString caption = QString::fromStdString(album) + "/2.wav - Two";
  EXPECT_TRUE(WaitFor([&] { return !Output("xdotool", {"search", "--name", caption}).isEmpty(); }))
      << "the caption does not name the second file";
  EXPECT_TRUE(Succeeds("dbus-send", {"--session", "--print-reply",
                                     "--dest=org.mpris.MediaPlayer2.orvane",
                                     "/org/mpris/MediaPlayer2", "org.mpris.MediaPlayer2.Quit"}));
  ASSERT_TRUE(First.waitForFinished(30000));
  EXPECT_EQ(Saved("PlayFile"), album + "/2.wav");
  EXPECT_EQ(Saved("Playing"), "1");
}

TEST_F(ProgramTest, SecondStartBringsTheFirstWindowBackAndEndsWithZero) {
  Start(First);
  ASSERT_TRUE(WaitFor([] { return VisibleWindows() == 1; }, 60000)) << "no window";
  const QString window = Output("xdotool", {"search", "--onlyvisible", "--name", kTitle}).trimmed();
  // Put away as a user would: hidden by its own hotkey (Super+Home), or minimised.
  const QStringList putAway[] = {{"key", "super+Home"}, {"windowminimize", window}};
  for (const QStringList& command : putAway) {
    const std::string what = command.join(' ').toStdString();
    ASSERT_TRUE(Succeeds("xdotool", command)) << what;
    ASSERT_TRUE(WaitFor([] { return VisibleWindows() == 0; })) << what << ": still shown";
    ASSERT_EQ(RunSecond(), 0) << what;
    ASSERT_TRUE(WaitFor([] { return VisibleWindows() == 1; })) << what << ": not shown again";
    ASSERT_TRUE(WaitFor([&] { return Output("xdotool", {"getactivewindow"}).trimmed() == window; }))
        << what << ": not in front";
  }
  EXPECT_EQ(First.state(), QProcess::Running);
}

TEST_F(ProgramTest, WithoutASessionBusTheProgramPlaysAndASecondStartStillEnds) {
  const std::string album = ResumeAlbum();
  ASSERT_FALSE(album.empty());
  Environment.remove("DBUS_SESSION_BUS_ADDRESS");
  Start(First);
  // Resumed: the caption names the file and its title.
  const QString playing = QString::fromStdString(album) + "/01.mp3 - Title 1";
  ASSERT_TRUE(WaitFor([&] { return !Output("xdotool", {"search", "--name", playing}).isEmpty(); },
                      60000))
      << "the album did not resume";
  // Nothing of it on the test's bus.
  EXPECT_FALSE(Output("playerctl", {"-l"}).contains("orvane"));
  EXPECT_EQ(RunSecond(), 0);
  EXPECT_EQ(First.state(), QProcess::Running);
}

TEST_F(ProgramTest, TerminationSignalsSaveWhatACloseSavesAndEndWithZero) {
  using namespace session_test;
  const std::string album = ResumeAlbum();
  ASSERT_FALSE(album.empty());
  for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(number);
    WriteResumeSettings(album);
    Start(First);
    ASSERT_TRUE(WaitFor([] { return VisibleWindows() == 1; }, 60000)) << "no window";
    // The second file, paused at a known place: the saved position then does not depend on how
    // long the signal takes. A paused file counts as playing.
    RunSteps({
        {{}, {"status"}, Is("Playing")},
        {{"next"}, {"metadata", "title"}, Is("Title 2")},
        {{"pause"}, {"status"}, Is("Paused")},
        // Paused first: the position then stands where the seek put it, however late it is read.
        {{"position", "7"}, {"position"}, Between(6.95, 7.5)},
    });
    const double position = std::atof(Playerctl({"position"}).c_str());
    ASSERT_EQ(::kill(static_cast<pid_t>(First.processId()), number), 0);
    ASSERT_TRUE(First.waitForFinished(30000));
    EXPECT_EQ(First.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(First.exitCode(), 0);
    EXPECT_EQ(Saved("PlayFile"), album + "/02.mp3");
    EXPECT_EQ(Saved("Playing"), "1");
    const double saved = std::atof(Saved("PlayPos").c_str()) / 1e7;
    EXPECT_NEAR(saved, position, 1.0) << Saved("PlayPos");
  }
}
