// The remotes of the hidden player, against the real program on a private session bus. The
// command line: every command option reaches the running player and ends with 0; without a
// player the call says so and ends with 1; an option the program does not know gets the usage
// and 2. The desktop portal's global shortcuts (a stand-in portal): the six hotkeys are bound
// with their settings' keys as triggers, and an activation runs the hotkey's command. A status
// notifier tray (a stand-in watcher and host): its left click toggles the window, its right
// click opens the menu.

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QProcess>
#include <QThread>

#include <filesystem>
#include <set>
#include <string>

#include "AppTestSupport.h"
#include "SessionSupport.h"

namespace fs = std::filesystem;
using namespace session_test;

namespace {

struct TRun {
  int Status = -1;
  std::string Out;  // trimmed
  std::string Err;
};

bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 30000) {
  QDeadlineTimer deadline(timeoutMs);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QThread::msleep(100);
  }
  return true;
}

// Visible windows that xdotool finds with these criteria.
int VisibleWindows(const QStringList& criteria = {"--name", "Orvane"}) {
  QProcess search;
  search.start("xdotool", QStringList{"search", "--onlyvisible"} + criteria);
  if (!search.waitForFinished(10000)) return -1;
  return QString::fromUtf8(search.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts).size();
}

class RemoteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    orvane_test::EnsureApplication();
    CopyProgram(Dir, Environment);
  }
  void TearDown() override {
    for (QProcess* process : {&Player, &Portal, &Tray}) {
      if (process->state() == QProcess::NotRunning) continue;
      process->terminate();
      if (!process->waitForFinished(30000)) process->kill();
      process->waitForFinished(10000);
    }
  }

  void StartPlayer() {
    Player.setProcessEnvironment(Environment);
    Player.start(QString::fromStdString((Dir / "orvane").string()), {});
    ASSERT_TRUE(WaitUntil([] { return VisibleWindows() == 1; }, 60000)) << "no window";
  }

  // A stand-in's next line of output ("" when none came in time).
  static std::string Line(QProcess& helper) {
    QDeadlineTimer deadline(60000);
    while (!helper.canReadLine() && !deadline.hasExpired()) helper.waitForReadyRead(100);
    return helper.readLine().trimmed().toStdString();
  }
  static void Tell(QProcess& helper, const char* line) {
    helper.write(line);
    helper.waitForBytesWritten(10000);
  }
  static void Start(QProcess& helper, const char* name, const QStringList& args = {}) {
    helper.start(QString(ORVANE_BIN_DIR) + "/" + name, args);
    ASSERT_EQ(Line(helper), "ready");
  }
  std::string PortalLine() { return Line(Portal); }
  void TellPortal(const char* line) { Tell(Portal, line); }
  void StartPortal() { Start(Portal, "helper_portal"); }

  TRun Run(const QStringList& args) {
    QProcess process;
    process.setProcessEnvironment(Environment);
    process.start(QString::fromStdString((Dir / "orvane").string()), args);
    TRun run;
    run.Out = RunClient(process, 30000);
    if (process.exitStatus() == QProcess::NormalExit) run.Status = process.exitCode();
    run.Err = process.readAllStandardError().toStdString();
    return run;
  }

  orvane_test::TTempDir Temp;
  fs::path Dir = Temp.Path();
  QProcessEnvironment Environment = QProcessEnvironment::systemEnvironment();
  QProcess Player;
  QProcess Portal;
  QProcess Tray;
};

}  // namespace

TEST_F(RemoteTest, WithoutAPlayerTheCommandFailsAndUnknownOptionsGetTheUsage) {
  const TRun next = Run({"--next"});
  EXPECT_EQ(next.Status, 1);
  EXPECT_NE(next.Err.find("no player is running"), std::string::npos) << next.Err;
  const TRun unknown = Run({"--fast-forward"});
  EXPECT_EQ(unknown.Status, 2);
  EXPECT_NE(unknown.Err.find("Usage: orvane"), std::string::npos) << unknown.Err;
  EXPECT_EQ(Run({"--next", "--stop"}).Status, 2);
  const TRun help = Run({"--help"});
  EXPECT_EQ(help.Status, 0);
  EXPECT_NE(help.Out.find("--toggle-window"), std::string::npos) << help.Out;
  const TRun version = Run({"--version"});
  EXPECT_EQ(version.Status, 0);
  EXPECT_EQ(version.Out, "orvane 1.07");
  // None of these started a player.
  EXPECT_EQ(VisibleWindows(), 0);
  // Nor does a start without any display.
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    Environment.remove(name);
  }
  const TRun blind = Run({});
  EXPECT_EQ(blind.Status, 1);
  EXPECT_NE(blind.Err.find("orvane: no display"), std::string::npos) << blind.Err;
}

TEST_F(RemoteTest, EveryCommandReachesTheRunningPlayer) {
  const std::string album = (Dir / "A").string();
  ASSERT_TRUE(MakeAlbum(album));
  ASSERT_TRUE(MakeAlbum((Dir / "B").string()));
  orvane_test::WriteFile((Dir / "orvane.ini").string(),
                         "[Main]\nPath=" + Dir.string() + "/\nPlayPath=" + album +
                             "/\nPlayFile=" + album + "/01.mp3\nPlaying=1\nMask=1\n");
  ASSERT_NO_FATAL_FAILURE(StartPlayer());
  ASSERT_NO_FATAL_FAILURE(RunSteps({{{}, {"status"}, Is("Playing")}}));
  // The window carries the program's icon.
  QProcess xprop;
  xprop.start("sh", {"-c", "xprop -id $(xdotool search --onlyvisible --name Orvane) _NET_WM_ICON"});
  EXPECT_NE(RunClient(xprop).find("Icon (48 x 48)"), std::string::npos);

  struct TCase {
    const char* Option;
    std::function<bool()> Holds;
  };
  const auto status = [](const char* expected) {
    return [expected] {
      std::string answer;
      return AnswerHolds({"status"}, Is(expected), &answer);
    };
  };
  const auto title = [](const char* expected) {
    return [expected] {
      std::string answer;
      return AnswerHolds({"metadata", "title"}, Is(expected), &answer);
    };
  };
  // A folder command plays the first file of the folder it goes to.
  const auto playsFrom = [](const char* file) {
    return [file] {
      std::string answer;
      return AnswerHolds({"metadata", "xesam:url"},
                         [file](const std::string& url) { return url.ends_with(file); }, &answer);
    };
  };
  const auto windows = [](int count) {
    return [count] { return WaitUntil([count] { return VisibleWindows() == count; }); };
  };
  const TCase cases[] = {
      {"--pause", status("Paused")},
      {"--play", status("Playing")},
      {"--play-pause", status("Paused")},
      {"--next", title("Title 2")},
      {"--previous", title("Title 1")},
      {"--stop", status("Stopped")},
      {"--next-folder", playsFrom("/B/01.mp3")},
      {"--previous-folder", playsFrom("/A/01.mp3")},
      {"--hide", windows(0)},
      {"--show", windows(1)},
      {"--toggle-window", windows(0)},
  };
  for (const TCase& c : cases) {
    const TRun run = Run({c.Option});
    EXPECT_EQ(run.Status, 0) << c.Option << ": " << run.Err;
    EXPECT_TRUE(c.Holds()) << c.Option;
    ASSERT_EQ(Player.state(), QProcess::Running) << c.Option;
  }
  EXPECT_EQ(Run({"--quit"}).Status, 0);
  ASSERT_TRUE(Player.waitForFinished(30000));
  EXPECT_EQ(Player.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(Player.exitCode(), 0);
}

TEST_F(RemoteTest, PortalShortcutsAreBoundWithTheSettingsKeysAndRunTheirCommands) {
  ASSERT_NO_FATAL_FAILURE(StartPortal());
  orvane_test::WriteFile((Dir / "orvane.ini").string(), "[ShortCut]\nNext=Ctrl+F7\n");
  ASSERT_NO_FATAL_FAILURE(StartPlayer());
  std::set<std::string> binds;
  for (int n = 0; n < 6; ++n) binds.insert(PortalLine());
  // As the X11 grabs: the logo key and the named key, whatever modifiers the text names.
  EXPECT_EQ(binds, (std::set<std::string>{
                       "bind pause LOGO+End Pause or resume playback",
                       "bind previous LOGO+Left Play the previous file",
                       "bind next LOGO+F7 Play the next file",
                       "bind previous-folder LOGO+Up Play the previous folder",
                       "bind next-folder LOGO+Down Play the next folder",
                       "bind toggle-window LOGO+Home Show or hide the Orvane window",
                   }));
  TellPortal("activate toggle-window\n");
  EXPECT_TRUE(WaitUntil([] { return VisibleWindows() == 0; })) << "not hidden";
  TellPortal("activate toggle-window\n");
  EXPECT_TRUE(WaitUntil([] { return VisibleWindows() == 1; })) << "not shown again";
}

TEST_F(RemoteTest, APortalThatRefusesIsReportedOnceAndTheKeysAreGrabbedInstead) {
  // A failure answered, and a success that binds nothing.
  for (const char* answer : {"--refuse", "--bind-none"}) {
    ASSERT_NO_FATAL_FAILURE(Start(Portal, "helper_portal", {answer}));
    ASSERT_NO_FATAL_FAILURE(StartPlayer());
    std::string err;
    QDeadlineTimer deadline(60000);
    while (err.find('\n', err.find("desktop portal refused")) == std::string::npos &&
           !deadline.hasExpired()) {
      Player.waitForReadyRead(100);
      err += Player.readAllStandardError().toStdString();
    }
    ASSERT_NE(err.find("desktop portal refused"), std::string::npos) << answer << err;
    ASSERT_TRUE(orvane_test::PressKeys("super+Home"));
    EXPECT_TRUE(WaitUntil([] { return VisibleWindows() == 0; })) << answer << ": not hidden";
    EXPECT_EQ(Run({"--quit"}).Status, 0);
    ASSERT_TRUE(Player.waitForFinished(30000));
    err += Player.readAllStandardError().toStdString();
    EXPECT_EQ(err.find("desktop portal"), err.rfind("desktop portal")) << answer << err;
    EXPECT_EQ(err.find("not available"), std::string::npos) << answer << err;
    Portal.terminate();
    ASSERT_TRUE(Portal.waitForFinished(30000));
  }
}

TEST_F(RemoteTest, WithHotkeysDisabledThePortalBindsNothing) {
  ASSERT_NO_FATAL_FAILURE(StartPortal());
  orvane_test::WriteFile((Dir / "orvane.ini").string(), "[ShortCut]\nEnable=0\n");
  ASSERT_NO_FATAL_FAILURE(StartPlayer());
  EXPECT_EQ(Run({"--quit"}).Status, 0);
  ASSERT_TRUE(Player.waitForFinished(30000));
  TellPortal("count\n");
  EXPECT_EQ(PortalLine(), "count 0");
}

TEST_F(RemoteTest, AStatusNotifierHostsLeftClickTogglesTheWindowAndItsRightClickOpensTheMenu) {
  ASSERT_NO_FATAL_FAILURE(Start(Tray, "helper_status_notifier"));
  ASSERT_NO_FATAL_FAILURE(StartPlayer());
  ASSERT_EQ(Line(Tray).rfind("item ", 0), 0u) << "no tray item registered";
  for (const int shown : {0, 1}) {
    Tell(Tray, "activate\n");
    ASSERT_EQ(Line(Tray), "called Activate");
    EXPECT_TRUE(WaitUntil([shown] { return VisibleWindows() == shown; })) << shown;
  }
  // The menu opens beside the window, which stays.
  Tell(Tray, "menu\n");
  ASSERT_EQ(Line(Tray), "called ContextMenu");
  const QString pid = QString::number(Player.processId());
  EXPECT_TRUE(WaitUntil([&] { return VisibleWindows({"--pid", pid}) == 2; })) << "no menu";
}
