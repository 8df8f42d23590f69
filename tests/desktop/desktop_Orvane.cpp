// The real program on a desktop of its own (Xvfb, openbox, trayer; started by with-desktop, on a
// private session bus, where playerctl reads its state), over a generated library with
// auto-next-folder on. It plays through the first folder into the next, answers the hotkeys while
// hidden, toggles its window from the tray icon, leaves through the tray menu's "Exit" and resumes
// the file at its position at the next start, where a changed hotkey text takes effect.
// Screenshots of the steps are kept in the build tree (artifacts/desktop/).
// Starts and closes in a row leave the window's outer rectangle where it was.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "support/GeneratedMedia.h"
#include "support/ProgramCopy.h"

namespace fs = std::filesystem;

namespace {

constexpr int64_t kSecond = 10000000;  // media time units
constexpr const char* kCaption = "Ver1.07 Orvane - ";  // every title starts so

// Standard output of a tool, or nullopt when it failed or took too long.
std::optional<std::string> Tool(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForFinished(20000)) {
    process.kill();
    process.waitForFinished(2000);
    return std::nullopt;
  }
  if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) return std::nullopt;
  return process.readAllStandardOutput().toStdString();
}

bool Xdotool(const QStringList& arguments) { return Tool("xdotool", arguments).has_value(); }

// The player's answer over its media-player service (the test's private session bus), trimmed.
std::string Playerctl(const QStringList& arguments) {
  const auto answer = Tool("playerctl", QStringList{"-p", "orvane"} + arguments);
  return answer ? QString::fromStdString(*answer).trimmed().toStdString() : "";
}

// The playing file's position as the service reports it (seconds), in media time units.
int64_t Position() {
  return static_cast<int64_t>(std::atof(Playerctl({"position"}).c_str()) * kSecond);
}

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
  QDeadlineTimer deadline(timeoutMs);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QThread::msleep(100);
  }
  return true;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string IniValue(const std::string& text, const std::string& key) {
  for (const std::string& line : Lines(text)) {
    if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
  }
  return "<missing>";
}

// Every title the window takes, in order, read from the window's name property as it changes
// (xprop -spy), so that a file shown for half a second is never missed by polling.
class TTitleSpy {
 public:
  explicit TTitleSpy(const std::string& window) {
    Process_.start("xprop", {"-id", QString::fromStdString(window), "-spy", "_NET_WM_NAME"});
    Clock_.start();
  }
  ~TTitleSpy() {
    Process_.kill();
    Process_.waitForFinished(5000);
  }
  // Waits until a title holding the text arrives after the ones already taken; answers its
  // arrival time (milliseconds since the spy started), or -1.
  qint64 WaitFor(const std::string& text, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (true) {
      for (; Next_ < Titles.size(); ++Next_) {
        if (Titles[Next_].first.find(text) != std::string::npos) {
          Matched = Titles[Next_].first;
          return Titles[Next_++].second;
        }
      }
      if (deadline.hasExpired()) return -1;
      Process_.waitForReadyRead(100);
      while (Process_.canReadLine()) {
        const std::string line = Process_.readLine().trimmed().toStdString();
        const size_t quote = line.find('"');
        if (quote != std::string::npos) {
          Titles.emplace_back(line.substr(quote + 1, line.size() - quote - 2), Clock_.elapsed());
        }
      }
    }
  }

  std::vector<std::pair<std::string, qint64>> Titles;  // (title, arrival)
  std::string Matched;  // the title the last successful wait found

 private:
  QProcess Process_;
  QElapsedTimer Clock_;
  size_t Next_ = 0;
};

class DesktopTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "desktop";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance() == nullptr) new QCoreApplication(argc, argv);
  }

  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "orvane-desktop-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    Dir = pattern;
    Artifacts = fs::path(ORVANE_BIN_DIR).parent_path() / "artifacts" / "desktop";
    std::error_code ignored;
    fs::remove_all(Artifacts, ignored);  // only this run's pictures
    fs::create_directories(Artifacts);
    Environment = orvane_test::CopyProgramInto(Dir);
  }
  void TearDown() override {
    if (Program.state() != QProcess::NotRunning) {
      Program.kill();
      Program.waitForFinished(10000);
    }
    std::error_code ignored;
    fs::remove_all(Dir, ignored);
  }

  std::string Library() const { return (Dir / "library").string(); }
  fs::path Ini() const { return Dir / "orvane.ini"; }

  void AddFile(const std::string& relative, double seconds, const std::string& title) {
    const fs::path path = Dir / "library" / relative;
    fs::create_directories(path.parent_path());
    orvane_test::MakeAudio(path.string(), seconds, title);
  }

  void Start() {
    Program.setProcessEnvironment(Environment);
    Program.setProgram(QString::fromStdString((Dir / "orvane").string()));
    Program.setProcessChannelMode(QProcess::MergedChannels);
    Program.start();
    ASSERT_TRUE(Program.waitForStarted(30000));
    const QString pid = QString::number(Program.processId());
    ASSERT_TRUE(WaitUntil(
        [&] {
          const auto found = Tool("xdotool", {"search", "--all", "--onlyvisible", "--pid", pid,
                                              "--name", "^Ver1\\.07 Orvane"});
          if (found && !Lines(*found).empty()) Window = Lines(*found).front();
          return found && !Lines(*found).empty();
        },
        60000))
        << "no window";
  }

  // The program's exit status once it ended by itself (-1: it did not within 30 s).
  int WaitForExit() {
    if (!Program.waitForFinished(30000)) return -1;
    Output = Program.readAll().toStdString();
    return Program.exitStatus() == QProcess::NormalExit ? Program.exitCode() : -2;
  }

  bool Mapped() const {
    const auto info = Tool("xwininfo", {"-id", QString::fromStdString(Window)});
    return info && info->find("IsViewable") != std::string::npos;
  }
  std::string ActiveWindow() const {
    const auto active = Tool("xdotool", {"getactivewindow"});
    return active ? Lines(*active).front() : "";
  }

  // The tray icon's window: the program's small visible window.
  std::string TrayIcon() const {
    const QString pid = QString::number(Program.processId());
    const auto windows = Tool("xdotool", {"search", "--onlyvisible", "--pid", pid});
    for (const std::string& window : Lines(windows.value_or(""))) {
      const auto shape = Tool("xdotool", {"getwindowgeometry", QString::fromStdString(window)});
      if (shape && shape->find("Geometry: 22x22") != std::string::npos) return window;
    }
    return "";
  }
  bool DoubleClickTrayIcon() const {
    return Xdotool({"mousemove", "--window", QString::fromStdString(TrayIcon()), "8", "8",
                    "click", "--repeat", "2", "--delay", "80", "1"});
  }
  // Right button on the icon; answers the menu's window once it shows ("" if it does not).
  std::string OpenTrayMenu() const {
    const QString pid = QString::number(Program.processId());
    const std::string icon = TrayIcon();
    if (!Xdotool({"mousemove", "--window", QString::fromStdString(icon), "8", "8", "click", "3"}))
      return "";
    std::string menu;
    WaitUntil(
        [&] {
          const auto windows = Tool("xdotool", {"search", "--onlyvisible", "--pid", pid});
          for (const std::string& window : Lines(windows.value_or(""))) {
            if (window != Window && window != icon) menu = window;
          }
          return !menu.empty();
        },
        10000);
    return menu;
  }
  // The first item of the menu is "Exit".
  static bool ClickFirstItem(const std::string& menu) {
    return Xdotool({"mousemove", "--window", QString::fromStdString(menu), "30", "10", "click",
                    "1"});
  }

  void Shot(const std::string& name) const {
    const fs::path file = Artifacts / (name + ".png");
    Tool("import", {"-window", "root", QString::fromStdString(file.string())});
  }
  static void Keys(const char* keys) { ASSERT_TRUE(Xdotool({"key", keys})); }

  // The window's outer rectangle, frame included, as "left,top,right,bottom" (right and bottom
  // exclusive), once the window is mapped and framed; "" if it is not within 30 s.
  std::string OuterRectangle() const {
    std::string rect;
    WaitUntil(
        [&] {
          const QString id = QString::fromStdString(Window);
          const auto info = Tool("xwininfo", {"-id", id});
          const auto extents = Tool("xprop", {"-id", id, "_NET_FRAME_EXTENTS"});
          if (!info || info->find("IsViewable") == std::string::npos || !extents) return false;
          int l = 0, r = 0, t = 0, b = 0;
          const size_t eq = extents->find('=');
          if (eq == std::string::npos ||
              std::sscanf(extents->c_str() + eq + 1, "%d, %d, %d, %d", &l, &r, &t, &b) != 4) {
            return false;
          }
          const auto field = [&](const std::string& name) {
            const size_t at = info->find(name);
            return at == std::string::npos ? 0 : std::atoi(info->c_str() + at + name.size());
          };
          const int x = field("Absolute upper-left X:"), y = field("Absolute upper-left Y:");
          rect = std::to_string(x - l) + "," + std::to_string(y - t) + "," +
                 std::to_string(x + field("Width:") + r) + "," +
                 std::to_string(y + field("Height:") + b);
          return true;
        },
        30000);
    return rect;
  }

  fs::path Dir, Artifacts;
  QProcessEnvironment Environment;
  QProcess Program;
  std::string Window;  // the main window's id, as xdotool prints it
  std::string Output;
};

}  // namespace

TEST_F(DesktopTest, PlaysThroughFoldersAnswersHotkeysAndTrayAndResumesAfterExit) {
  // 0.5 s files in three folders; two long files in B give the later steps time to act.
  ASSERT_NO_THROW({
    AddFile("A/01.mp3", 0.5, "a1");
    AddFile("A/02.mp3", 0.5, "a2");
    AddFile("B/01.mp3", 0.5, "b1");
    AddFile("B/02.mp3", 60, "b2");
    AddFile("B/03.mp3", 60, "b3");
    AddFile("C/01.mp3", 0.5, "c1");
  });
  const std::string a = Library() + "/A/", b = Library() + "/B/";
  // The previous run stopped on A/01 with the filter's "all" entry: A/01 is selected, nothing
  // plays.
  std::ofstream(Ini()) << "[Main]\nPath=" << Library() << "\nPlayPath=" << a
                       << "\nPlayFile=" << a << "01.mp3\nPlaying=0\nPlayPos=0\nMask=8\n"
                       << "[Play]\nAutoNextFolder=1\n";

  // First run: Super+Right starts the row after A/01, and playback runs on into the next folder.
  Start();
  TTitleSpy titles(Window);
  ASSERT_GE(titles.WaitFor(kCaption, 10000), 0) << "xprop shows no title";
  Keys("super+Right");
  EXPECT_GE(titles.WaitFor(a + "02.mp3 - a2", 10000), 0);
  ASSERT_GE(titles.WaitFor("/01.mp3 - ", 10000), 0);
  EXPECT_EQ(titles.Matched.find(a), std::string::npos) << "did not leave folder A";
  // Playback comes to rest on the first long file, whatever the order of the folders.
  ASSERT_GE(titles.WaitFor(b + "02.mp3 - b2", 20000), 0);
  Shot("1-playing");

  // Super+Home hides the window and shows it again, in front.
  Keys("super+Home");
  ASSERT_TRUE(WaitUntil([&] { return !Mapped(); }, 10000)) << "super+Home did not hide";
  // Super+Right while hidden starts the next file; the hidden window's title follows.
  Keys("super+Right");
  const qint64 started = titles.WaitFor(b + "03.mp3 - b3", 10000);
  ASSERT_GE(started, 0) << "super+Right did not start the next file";
  EXPECT_FALSE(Mapped());
  Keys("super+Home");
  ASSERT_TRUE(WaitUntil([&] { return Mapped(); }, 10000)) << "super+Home did not show";
  EXPECT_TRUE(WaitUntil([&] { return ActiveWindow() == Window; }, 5000)) << "not in front";
  Shot("2-shown-again");

  // A double-click on the tray icon hides the window, another shows it; the right button opens
  // the menu.
  ASSERT_FALSE(TrayIcon().empty()) << "no tray icon";
  ASSERT_TRUE(DoubleClickTrayIcon());
  EXPECT_TRUE(WaitUntil([&] { return !Mapped(); }, 10000)) << "the tray did not hide";
  ASSERT_TRUE(DoubleClickTrayIcon());
  EXPECT_TRUE(WaitUntil([&] { return Mapped(); }, 10000)) << "the tray did not show";
  const std::string menu = OpenTrayMenu();
  ASSERT_FALSE(menu.empty()) << "no tray menu";
  Shot("3-tray-menu");
  Keys("Escape");

  // Super+End pauses: the position stands still (across a screenshot) until Super+End again.
  Keys("super+End");
  ASSERT_TRUE(WaitUntil([] { return Playerctl({"status"}) == "Paused"; }, 10000))
      << "super+End did not pause";
  const int64_t pausedAt = Position();
  Shot("4-paused");
  EXPECT_EQ(Position(), pausedAt) << "the paused file moved on";
  Keys("super+End");
  QElapsedTimer sinceResume;
  sinceResume.start();
  ASSERT_TRUE(WaitUntil([] { return Playerctl({"status"}) == "Playing"; }, 10000))
      << "super+End did not resume";

  // "Exit" from the tray menu while the file plays.
  const std::string exitMenu = OpenTrayMenu();
  ASSERT_FALSE(exitMenu.empty()) << "no tray menu";
  ASSERT_TRUE(ClickFirstItem(exitMenu));
  ASSERT_EQ(WaitForExit(), 0) << Output;
  std::string ini = ReadText(Ini());
  EXPECT_EQ(IniValue(ini, "PlayFile"), b + "03.mp3");
  EXPECT_EQ(IniValue(ini, "Playing"), "1");
  const int64_t saved = std::stoll(IniValue(ini, "PlayPos"));
  // On from where the pause left it, and no further than the time since the resume: the time
  // spent paused was not played (a slow machine only plays less, never more).
  const int64_t unitsPerMs = kSecond / 1000;
  EXPECT_GE(saved, pausedAt - kSecond / 10) << ini;
  EXPECT_LT(saved, pausedAt + sinceResume.elapsed() * unitsPerMs + kSecond / 2) << ini;

  // Second run, with the pause key changed in the file to Ctrl+F5: Super+F5 pauses.
  ASSERT_NE(ini.find("Pause=End"), std::string::npos) << ini;
  ini.replace(ini.find("Pause=End"), 9, "Pause=Ctrl+F5");
  std::ofstream(Ini(), std::ios::trunc) << ini;
  Start();
  {
    TTitleSpy again(Window);
    EXPECT_GE(again.WaitFor(b + "03.mp3 - b3", 10000), 0) << "the file was not resumed";
  }
  // It plays on from the saved position.
  ASSERT_TRUE(WaitUntil([] { return Playerctl({"status"}) == "Playing"; }, 10000));
  EXPECT_GE(Position(), saved - kSecond / 10);
  Keys("super+F5");
  ASSERT_TRUE(WaitUntil([] { return Playerctl({"status"}) == "Paused"; }, 10000))
      << "super+F5 did not pause";
  const int64_t secondPauseAt = Position();
  Shot("5-resumed-and-paused");
  Keys("alt+F4");  // the window has the focus; openbox closes it
  ASSERT_EQ(WaitForExit(), 0) << Output;
  ini = ReadText(Ini());
  EXPECT_EQ(IniValue(ini, "Pause"), "Ctrl+F5");
  EXPECT_EQ(IniValue(ini, "PlayFile"), b + "03.mp3");
  // Saved where the pause left it.
  const int64_t resumedPosition = std::stoll(IniValue(ini, "PlayPos"));
  EXPECT_GE(resumedPosition, secondPauseAt - kSecond / 10) << ini;
  EXPECT_LE(resumedPosition, secondPauseAt + kSecond / 10) << ini;
}

TEST_F(DesktopTest, TenStartsAndClosesLeaveTheOuterRectangleWhereItWas) {
  std::string first;
  for (int run = 1; run <= 10; ++run) {
    SCOPED_TRACE(run);
    Start();
    const std::string outer = OuterRectangle();
    ASSERT_FALSE(outer.empty()) << "not framed";
    if (run == 1) first = outer;
    EXPECT_EQ(outer, first);
    ASSERT_TRUE(Xdotool({"windowactivate", "--sync", QString::fromStdString(Window), "key",
                         "--clearmodifiers", "alt+F4"}));
    ASSERT_EQ(WaitForExit(), 0) << Output;
    // What is saved is that outer rectangle.
    const std::string ini = ReadText(Ini());
    EXPECT_EQ(IniValue(ini, "PlaceNormalPos.Left") + "," + IniValue(ini, "PlaceNormalPos.Top") +
                  "," + IniValue(ini, "PlaceNormalPos.Right") + "," +
                  IniValue(ini, "PlaceNormalPos.Bottom"),
              outer)
        << ini;
  }
}
