// Playback control and the hotkey commands on the real engine (GStreamer with fake sinks that
// render in real time) over a library of generated files: the order of rows, the end of a file,
// the next folder, pause and stop, the external output switch, the caption, the hotkey hook, the
// resume at the next start and the order of the shut-down.

#include <gtest/gtest.h>

#include <QAction>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QListWidget>
#include <QScrollBar>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>

#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>

#include "AppTestSupport.h"
#include "app/uMain.h"
#include "desktop/TrayIcon.h"
#include "desktop/Winplace.h"
#include "platform/mediagraph/MediaRuntime.h"
#include "support/GeneratedMedia.h"
#include "support/ToneJoin.h"

using namespace orvane_test;
namespace fs = std::filesystem;

namespace {

constexpr int64_t kSecond = 10000000;  // media time units

// Runs the event loop until done() holds or the time is up; answers done().
bool ProcessEventsUntil(const std::function<bool()>& done, int timeoutMs) {
  QDeadlineTimer deadline(timeoutMs);
  while (!done() && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return done();
}

void ProcessEventsFor(int ms) { ProcessEventsUntil([] { return false; }, ms); }

// Bytes that no demuxer takes: a fixed pseudo-random sequence.
std::string RandomBytes(size_t size) {
  std::string bytes(size, '\0');
  uint32_t x = 2463534242u;
  for (char& b : bytes) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = static_cast<char>(x);
  }
  return bytes;
}

// A WAV file of Sony ATRAC3 (format tag 0x0270), for which GStreamer here has no decoder.
std::string WavWithoutDecoder() {
  auto le = [](uint32_t v, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
    return out;
  };
  const std::string data(8000, '\0');
  return "RIFF" + le(36 + 8000, 4) + "WAVE" + "fmt " + le(16, 4) + le(0x0270, 2) /* ATRAC3 */ +
         le(1, 2) /* mono */ + le(8000, 4) + le(16000, 4) /* bytes per second */ +
         le(2, 2) /* block */ + le(16, 2) /* bits */ + "data" + le(8000, 4) + data;
}

int RowOf(const QTableWidget* list, const std::string& caption) {
  for (int row = 0; row < list->rowCount(); ++row) {
    if (list->item(row, 0) && list->item(row, 0)->text().toStdString() == caption) return row;
  }
  return -1;
}

int EntryOf(const QListWidget* pane, const std::string& caption) {
  for (int i = 0; i < pane->count(); ++i) {
    if (pane->item(i)->text().toStdString() == caption) return i;
  }
  return -1;
}

int SelectedEntry(const QListWidget* pane) {
  const QModelIndexList selected = pane->selectionModel()->selectedIndexes();
  return selected.isEmpty() ? -1 : selected.first().row();
}

// What the hotkey commands change: pause, visibility, the row and the folder entry last started.
struct THotkeyState {
  bool paused, visible;
  int row, entry;
  bool operator==(const THotkeyState&) const = default;
};
std::ostream& operator<<(std::ostream& out, const THotkeyState& s) {
  return out << "paused " << s.paused << ", visible " << s.visible << ", row " << s.row
             << ", entry " << s.entry;
}

class PlaybackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureApplication();
    SetApplicationIniFileName(IniPath);
    fs::create_directory(Root);
  }
  void TearDown() override { SetApplicationIniFileName(""); }

  // root/<relative>: a tone titled after the file's name without its extension.
  void AddFile(const std::string& relative, double seconds = 0.5) {
    const fs::path path = fs::path(Root) / relative;
    fs::create_directories(path.parent_path());
    MakeAudio(path.string(), seconds, path.stem().string());
  }
  void AddFolder(const std::string& name) { fs::create_directories(fs::path(Root) / name); }

  // The settings of a previous run: the library as root, the filter's "all" entry (the ninth).
  void WriteSettings(bool autoNextFolder = false) {
    WriteFile(IniPath, "[Main]\nPath=" + Root + "\nMask=8\n[Play]\nAutoNextFolder=" +
                           (autoNextFolder ? "1" : "0") + "\n");
  }

  // A window over the library, shown, with the engine on fake sinks; the sound goes to the
  // recording when one is named.
  std::unique_ptr<TfrmMain> Open(const std::string& recording = {}) {
    auto counters = Counters;
    auto form = std::make_unique<TfrmMain>([counters, recording] {
      using platform::TSinkOptions;
      return std::make_unique<TVideoGate1000>(std::make_shared<platform::TMediaRuntime>(
          TSinkOptions{TSinkOptions::TKind::Fake, true, counters, nullptr, recording}));
    });
    form->show();
    QCoreApplication::processEvents();
    return form;
  }

  // Selects the folder entry, which lists its files.
  static void SelectFolder(TfrmMain& form, const std::string& caption) {
    const int entry = EntryOf(form.ListViewFolder, caption);
    ASSERT_GE(entry, 0) << caption << " is not in the folder pane";
    form.ListViewFolder->setCurrentRow(entry);
  }

  // Selects the row and plays it, as a double-click on it does.
  static void PlayRow(TfrmMain& form, int row) {
    form.ListViewPlay->selectRow(row);
    form.ActionPlay->trigger();
  }

  std::string PathOf(const std::string& relative) const { return Root + "/" + relative; }

  void ExpectNoErrorBoxes() const {
    for (const TMessageRecord& m : Messages.Messages) ADD_FAILURE() << m.Caption << ": " << m.Text;
  }

  TTempDir Dir;
  std::string IniPath = Dir.File("orvane.ini");
  std::string Root = Dir.File("library");
  std::shared_ptr<platform::TRenderCounters> Counters =
      std::make_shared<platform::TRenderCounters>();
  TMessageRecorder Messages;
  THotKeyRecorder HotKeys;
};

}  // namespace

TEST_F(PlaybackTest, CaptionStatusBarAndTrayTipNameTheFileAndItsTitle) {
  AddFile("A/song.mp3");
  AddFile("A/info.wav");
  const std::string longName = "A/" + std::string(70, 'x') + ".mp3";
  AddFile(longName);
  WriteSettings();
  auto form = Open();
  const std::string song = PathOf("A/song.mp3"), wav = PathOf("A/info.wav");
  const std::string missing = PathOf("A/gone.mp3"), longPath = PathOf(longName);
  const std::string longTitle = fs::path(longPath).stem().string();
  struct Case {
    std::string name, status, tip;
  } cases[] = {
      {"", "再生停止", "再生停止"},
      {song, song + " - song", song + "\rsong"},
      {wav, wav + " - info", wav + "\rinfo"},  // the title of a WAV file's LIST/INFO chunk
      {missing, missing, missing},
      // The tray shows a long path whole, and the title after it.
      {longPath, longPath + " - " + longTitle, longPath + "\r" + longTitle},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    form->UpdateCaption(c.name);
    EXPECT_EQ(form->StatusBar1->currentMessage().toStdString(), c.status);
    EXPECT_EQ(form->windowTitle().toStdString(), "Ver1.07 Orvane - " + c.status);
    EXPECT_EQ(form->TrayIcon1->TipHelp(), c.tip);
  }
  ExpectNoErrorBoxes();
}

TEST_F(PlaybackTest, NextPreviousAndTheEndOfAFileStepThroughTheRows) {
  for (const char* name : {"A/1.mp3", "A/2.mp3", "A/3.wav"}) AddFile(name);
  WriteSettings();
  auto form = Open();
  SelectFolder(*form, "A");
  ASSERT_EQ(form->ListViewPlay->rowCount(), 3);
  const int last = 2;
  auto startedRow = [&] { return RowOf(form->ListViewPlay, fs::path(form->Session().PlayFile()).filename()); };

  // Nothing played yet: PlayIndex is 0, so Next starts row 1.
  form->ActionNext->trigger();
  EXPECT_EQ(form->Session().PlayIndex(), 1);
  EXPECT_EQ(startedRow(), 1);
  EXPECT_EQ(form->Engine()->FileName(), form->Session().PlayFile());
  EXPECT_TRUE(form->Engine()->Playing());
  EXPECT_EQ(form->windowTitle().toStdString().rfind("Ver1.07 Orvane - " + form->Session().PlayFile(), 0), 0u);

  form->ActionPrev->trigger();  // from row 1 to row 0
  EXPECT_EQ(form->Session().PlayIndex(), 0);
  form->ActionPrev->trigger();  // from row 0 to the last row
  EXPECT_EQ(form->Session().PlayIndex(), last);
  EXPECT_EQ(startedRow(), last);

  // The end of the last row starts row 0 (auto-next-folder is off).
  ASSERT_TRUE(ProcessEventsUntil([&] { return form->Session().PlayIndex() == 0; }, 5000));
  EXPECT_EQ(startedRow(), 0);
  EXPECT_TRUE(form->ListViewPlay->item(0, 0)->isSelected());
  // And playback goes on by itself: row 1 follows.
  ASSERT_TRUE(ProcessEventsUntil([&] { return form->Session().PlayIndex() == 1; }, 5000));
  ExpectNoErrorBoxes();
}

// A file that cannot be played counts as played: the next file starts as after its end, the
// status bar names the file passed, and no message box waits for a user who may be away.
TEST_F(PlaybackTest, AFileThatCannotBePlayedIsPassedAsIfItHadEnded) {
  namespace fs = std::filesystem;
  const struct {
    const char* what;
    std::function<void(const std::string&)> spoil;  // run on 02 once the list shows it
  } cases[] = {
      {"random bytes", [](const std::string& p) { WriteFile(p, RandomBytes(20000)); }},
      {"no decoder", [](const std::string& p) { WriteFile(p, WavWithoutDecoder()); }},
      {"deleted", [](const std::string& p) { fs::remove(p); }},
      // Permissions do not hold root back: there the file stays readable and plays.
      {"unreadable", [](const std::string& p) { fs::permissions(p, fs::perms::none); }},
  };
  for (const auto& c : cases) {
    if (std::string(c.what) == "unreadable" && geteuid() == 0) continue;
    SCOPED_TRACE(c.what);
    const std::string folder = std::string("F ") + c.what;
    for (const char* name : {"/01.mp3", "/02.mp3", "/03.mp3"}) AddFile(folder + name);
    WriteSettings();
    auto form = Open();
    SelectFolder(*form, folder);
    c.spoil(PathOf(folder + "/02.mp3"));
    PlayRow(*form, 0);
    ASSERT_TRUE(ProcessEventsUntil([&] { return form->Session().PlayIndex() == 2; }, 10000));
    EXPECT_EQ(form->StatusBar1->currentMessage().toStdString(),
              PathOf(folder + "/02.mp3") + ": 再生できません");
    EXPECT_EQ(form->windowTitle().toStdString(), "Ver1.07 Orvane - " + PathOf(folder + "/03.mp3") +
                                                     " - 03");
    EXPECT_TRUE(form->Engine()->Playing());
  }
  // The last file of a folder leads into the next folder, with auto-next-folder.
  AddFile("G/01.mp3");
  AddFile("H/01.mp3");
  WriteFile(PathOf("G/02.mp3"), RandomBytes(20000));
  WriteSettings(true);
  auto form = Open();
  SelectFolder(*form, "G");
  PlayRow(*form, 1);
  ASSERT_TRUE(ProcessEventsUntil([&] { return form->Session().PlayFile() == PathOf("H/01.mp3"); }, 10000));
  EXPECT_EQ(form->StatusBar1->currentMessage().toStdString(),
            PathOf("G/02.mp3") + ": 再生できません");
  ExpectNoErrorBoxes();
}

// When every file of the list failed in one pass, playback stops instead of going round again.
TEST_F(PlaybackTest, AListOfWhichNothingCanBePlayedStopsAfterOnePass) {
  for (const char* name : {"A/01.mp3", "A/02.mp3", "A/03.mp3"}) {
    fs::create_directories(fs::path(PathOf(name)).parent_path());
    WriteFile(PathOf(name), RandomBytes(20000));
  }
  WriteSettings();
  auto form = Open();
  SelectFolder(*form, "A");
  PlayRow(*form, 1);
  ASSERT_TRUE(ProcessEventsUntil([&] { return !form->Engine()->Playing(); }, 10000));
  EXPECT_EQ(form->Session().PlayIndex(), 0) << "rows 1, 2 and 0 were tried, once each";
  EXPECT_EQ(form->StatusBar1->currentMessage().toStdString(), "再生停止");
  EXPECT_EQ(form->windowTitle().toStdString(), "Ver1.07 Orvane - 再生停止");
  ProcessEventsFor(600);
  EXPECT_EQ(form->Session().PlayIndex(), 0);
  // A start by the user tries again.
  PlayRow(*form, 2);
  EXPECT_TRUE(form->Engine()->Playing());
  ExpectNoErrorBoxes();
}

// The next row waits in the engine while a file plays and follows it in the same output, with no
// sample lost or repeated; the window then names it as after a file's end.
TEST_F(PlaybackTest, TheNextRowFollowsWithoutAGapAndTheWindowNamesIt) {
  fs::create_directories(PathOf("A"));
  const tone_join::TPair pair = tone_join::Make(PathOf("A"), "wav", 1.0);
  const std::string recording = Dir.File("out.raw");
  WriteSettings();
  {
    auto form = Open(recording);
    SelectFolder(*form, "A");
    ASSERT_EQ(form->ListViewPlay->rowCount(), 2);
    PlayRow(*form, 0);
    const long sinks = Counters->sinksMade;
    ASSERT_TRUE(ProcessEventsUntil([&] { return form->Session().PlayIndex() == 1; }, 10000));
    EXPECT_EQ(Counters->sinksMade, sinks);
    EXPECT_EQ(form->Session().PlayFile(), pair.second);
    EXPECT_EQ(form->Engine()->FileName(), pair.second);
    EXPECT_TRUE(form->ListViewPlay->item(1, 0)->isSelected());
    EXPECT_EQ(form->windowTitle().toStdString(), "Ver1.07 Orvane - " + pair.second);
    ASSERT_TRUE(ProcessEventsUntil([&] { return form->Engine()->GetPosition() > kSecond / 4; },
                                   10000));
  }
  const tone_join::TJoin join = tone_join::Analyse(
      tone_join::ReadLeft(recording), tone_join::ReadLeft(pair.reference), pair.joinFrame);
  EXPECT_LE(join.longestQuiet, tone_join::kRate / 1000u);
  EXPECT_EQ(join.lagBefore, 0);
  EXPECT_EQ(join.lagAfter, 0);
  ExpectNoErrorBoxes();
}

TEST_F(PlaybackTest, PauseTwiceResumesAndStopThenPlayStartsTheRowAgain) {
  AddFile("A/long.mp3", 4);
  WriteSettings();
  auto form = Open();
  SelectFolder(*form, "A");
  PlayRow(*form, 0);
  ASSERT_TRUE(ProcessEventsUntil([&] { return form->Engine()->GetPosition() > kSecond / 4; }, 10000));

  form->ActionPause->trigger();
  EXPECT_TRUE(form->ActionPause->isChecked());
  EXPECT_TRUE(form->Engine()->Paused());
  EXPECT_TRUE(form->Engine()->Playing());  // paused still counts as playing
  const int64_t pausedAt = form->Engine()->GetPosition();
  ProcessEventsFor(1500);
  EXPECT_EQ(form->Engine()->GetPosition(), pausedAt);

  form->ActionPause->trigger();
  QElapsedTimer sinceResume;
  sinceResume.start();
  EXPECT_FALSE(form->ActionPause->isChecked());
  EXPECT_FALSE(form->Engine()->Paused());
  ASSERT_TRUE(ProcessEventsUntil([&] { return form->Engine()->GetPosition() > pausedAt; }, 10000));
  // On from where it stood: no further than the time since the resume, so the 1.5 s spent paused
  // were not skipped (a slow machine only plays less, never more).
  EXPECT_LT(form->Engine()->GetPosition(),
            pausedAt + sinceResume.elapsed() * (kSecond / 1000) + kSecond / 2);

  const std::string caption = form->windowTitle().toStdString();
  form->ActionStop->trigger();
  EXPECT_FALSE(form->Engine()->Playing());
  EXPECT_EQ(form->windowTitle().toStdString(), caption);  // still names the file
  form->ActionPlay->trigger();
  EXPECT_TRUE(form->Engine()->Playing());
  EXPECT_EQ(form->Session().PlayIndex(), 0);
  EXPECT_LT(form->Engine()->GetPosition(), kSecond / 2);
  ExpectNoErrorBoxes();
}

// Each seek action moves by its own tag in seconds; the position bar seeks in ten-thousandths of
// the file.
TEST_F(PlaybackTest, SeekActionsAndThePositionBarMoveThePlayingFile) {
  AddFile("A/long.mp3", 20);
  WriteSettings();
  auto form = Open();
  SelectFolder(*form, "A");
  PlayRow(*form, 0);
  form->ActionPause->trigger();  // the position then moves only by seeking
  struct Case {
    QAction* action;
    int barPosition;  // for the bar (action null)
    int64_t expected;
  } cases[] = {
      {form->ActionPlus15, 0, 15 * kSecond}, {form->ActionMinus5, 0, 10 * kSecond},
      {form->ActionPlus5, 0, 15 * kSecond},  {form->ActionMinus15, 0, 0},
      {nullptr, 2500, 5 * kSecond},          {nullptr, 7500, 15 * kSecond},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.action ? c.action->text().toStdString()
                          : "bar at " + std::to_string(c.barPosition));
    if (c.action != nullptr) {
      c.action->trigger();
    } else {
      form->ScrollBar1->setSliderPosition(c.barPosition);
      form->ScrollBar1->triggerAction(QAbstractSlider::SliderMove);
    }
    // The file is 20 s and a few milliseconds of encoder padding long.
    EXPECT_NEAR(static_cast<double>(form->Engine()->GetPosition()), static_cast<double>(c.expected),
                kSecond / 10);
  }
  EXPECT_TRUE(form->Engine()->Paused());
  ExpectNoErrorBoxes();
}

TEST_F(PlaybackTest, SwitchingTheExternalOutputWhilePlayingWaitsForTheNextFile) {
  AddFile("A/1.mp3", 3);
  AddFile("A/2.mp3", 3);
  WriteSettings();
  auto form = Open();
  SelectFolder(*form, "A");
  PlayRow(*form, 0);
  ASSERT_TRUE(ProcessEventsUntil([&] { return Counters->audioRenderer > 0; }, 5000));

  form->ActionUseVideoGate->trigger();
  EXPECT_TRUE(form->ActionUseVideoGate->isChecked());
  EXPECT_TRUE(form->Engine()->VideoGateAudio());
  const long before = Counters->audioRenderer;
  ProcessEventsFor(500);
  EXPECT_GT(Counters->audioRenderer, before);  // the file goes on where it played
  EXPECT_EQ(Counters->gateAudio, 0);

  form->ActionNext->trigger();
  ASSERT_TRUE(ProcessEventsUntil([&] { return Counters->gateAudio > 0; }, 5000));
  ExpectNoErrorBoxes();
}

TEST_F(PlaybackTest, AutoNextFolderWrapsPastTheParentEntry) {
  AddFile("A/1.mp3");
  AddFile("B/1.mp3");
  WriteSettings(true);
  auto form = Open();
  ASSERT_EQ(form->ListViewFolder->count(), 3);  // "..", A, B
  EXPECT_EQ(form->ListViewFolder->item(0)->text(), "..");
  const int last = form->ListViewFolder->count() - 1;
  form->ListViewFolder->setCurrentRow(last);
  PlayRow(*form, 0);
  const std::string firstFile = form->Session().PlayFile();

  // After the last folder comes entry 1, not "..".
  ASSERT_TRUE(ProcessEventsUntil([&] { return form->Session().PlayFile() != firstFile; }, 5000));
  EXPECT_EQ(SelectedEntry(form->ListViewFolder), 1);
  EXPECT_EQ(form->Session().PlayIndex(), 0);
  EXPECT_EQ(form->Session().PlayFile(), form->Session().PlayPath() + "1.mp3");
  EXPECT_NE(form->Session().PlayPath().find("/" + form->ListViewFolder->item(1)->text().toStdString() + "/"),
            std::string::npos);
  ExpectNoErrorBoxes();
}

// With one folder the walk comes round to the folder that plays: its first file follows the last,
// not the last file once more.
TEST_F(PlaybackTest, AutoNextFolderWithOneFolderGoesOnFromItsFirstFile) {
  AddFile("A/1.mp3");
  AddFile("A/2.mp3");
  WriteSettings(true);
  auto form = Open();
  SelectFolder(*form, "A");
  PlayRow(*form, 1);
  ASSERT_TRUE(ProcessEventsUntil([&] { return form->Session().PlayIndex() == 0; }, 5000));
  EXPECT_EQ(form->Session().PlayFile(), PathOf("A/1.mp3"));
  EXPECT_TRUE(form->ListViewPlay->item(0, 0)->isSelected());
  ExpectNoErrorBoxes();
}

TEST_F(PlaybackTest, AutoNextFolderStopsAtAFolderWithoutPlayableFiles) {
  AddFile("A/1.mp3");
  AddFile("A/2.mp3");
  AddFolder("E");
  WriteFile(PathOf("E/notes.txt"), "no media here");
  WriteSettings(true);
  auto form = Open();
  SelectFolder(*form, "A");
  PlayRow(*form, 0);

  // With two folders, E follows A whichever way the pane orders them.
  ASSERT_TRUE(ProcessEventsUntil(
      [&] { return SelectedEntry(form->ListViewFolder) == EntryOf(form->ListViewFolder, "E"); },
      5000));
  EXPECT_EQ(form->ListViewPlay->rowCount(), 0);
  EXPECT_EQ(form->Session().PlayFile(), PathOf("A/2.mp3"));
  // The end keeps being found, and nothing starts.
  ProcessEventsFor(1000);
  EXPECT_EQ(SelectedEntry(form->ListViewFolder), EntryOf(form->ListViewFolder, "E"));
  EXPECT_EQ(form->Session().PlayFile(), PathOf("A/2.mp3"));
  ExpectNoErrorBoxes();
}

// Each hotkey number, posted as WM_HOTKEY, runs its command through the window's message hook.
TEST_F(PlaybackTest, HotkeyNumbersRunTheirCommands) {
  for (const char* folder : {"A", "B", "C"}) {
    for (const char* file : {"/1.mp3", "/2.mp3", "/3.mp3"}) AddFile(folder + std::string(file), 3);
  }
  WriteSettings();
  using State = THotkeyState;
  struct Case {
    int id;
    std::function<State(State)> expected;
  } cases[] = {
      {0, [](State s) { s.paused = true; return s; }},
      {1, [](State s) { --s.row; return s; }},
      {2, [](State s) { ++s.row; return s; }},
      {3, [](State s) { ++s.entry; s.row = 0; return s; }},
      {4, [](State s) { --s.entry; s.row = 0; return s; }},
      {5, [](State s) { s.visible = false; return s; }},
      {6, [](State s) { return s; }},
      {0x7FFFFFFF, [](State s) { return s; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("hotkey " + std::to_string(c.id));
    auto form = Open();
    // Row 1 of the middle folder entry plays: every command has room to move either way.
    ASSERT_EQ(form->ListViewFolder->count(), 4);  // "..", and the three folders
    form->ListViewFolder->setCurrentRow(2);
    PlayRow(*form, 1);
    auto state = [&] {
      return State{form->Engine()->Paused(), form->isVisible(), form->Session().PlayIndex(),
                   SelectedEntry(form->ListViewFolder)};
    };
    const State before = state();
    platform::PostHotKey(form.get(), c.id, platform::MOD_WIN, 0);
    QCoreApplication::sendPostedEvents(form.get());
    EXPECT_EQ(state(), c.expected(before));
  }
  ExpectNoErrorBoxes();
}

// A run that ends while a file plays, or while it is paused, resumes it at the next start, at its
// position, playing.
TEST_F(PlaybackTest, NextStartResumesTheFileThatPlayedAtItsPosition) {
  AddFile("A/1.mp3", 10);
  AddFile("A/2.mp3", 10);
  for (bool pausedAtExit : {false, true}) {
    SCOPED_TRACE(pausedAtExit ? "paused at exit" : "playing at exit");
    WriteSettings();
    {
      auto form = Open();
      SelectFolder(*form, "A");
      PlayRow(*form, 1);
      form->ActionPlus5->trigger();
      ASSERT_TRUE(ProcessEventsUntil([&] { return form->Engine()->GetPosition() > 5 * kSecond; },
                                     10000));
      if (pausedAtExit) form->ActionPause->trigger();
    }
    const TIniEntries saved = ParseIni(ReadFile(IniPath));
    auto value = [&](const std::string& key) {
      for (const auto& [section, k, v] : saved) {
        if (section == "Main" && k == key) return v;
      }
      return std::string("<missing>");
    };
    EXPECT_EQ(value("PlayFile"), PathOf("A/2.mp3"));
    EXPECT_EQ(value("Playing"), "1");
    const int64_t savedPosition = std::stoll(value("PlayPos"));
    EXPECT_GT(savedPosition, 5 * kSecond);
    EXPECT_LT(savedPosition, 10 * kSecond);

    QElapsedTimer sinceStart;
    sinceStart.start();
    auto form = Open();
    EXPECT_EQ(form->Engine()->FileName(), PathOf("A/2.mp3"));
    EXPECT_TRUE(form->Engine()->Playing());
    EXPECT_FALSE(form->Engine()->Paused());
    // At the saved position, played on at most for the time the start took.
    EXPECT_GE(form->Engine()->GetPosition(), savedPosition - kSecond / 10);
    EXPECT_LT(form->Engine()->GetPosition(),
              savedPosition + sinceStart.elapsed() * (kSecond / 1000) + kSecond / 2);
    EXPECT_EQ(form->Session().PlayIndex(), 1);
    EXPECT_TRUE(form->ListViewPlay->item(1, 0)->isSelected());
    EXPECT_EQ(form->windowTitle().toStdString(),
              "Ver1.07 Orvane - " + PathOf("A/2.mp3") + " - 2");
  }
  ExpectNoErrorBoxes();
}

// A double-click on the play list's empty area below the rows plays, as a list view's
// double-click does: with no row selected, the first row.
TEST_F(PlaybackTest, ADoubleClickBelowThePlayListsRowsPlays) {
  AddFile("A/1.wav");
  AddFile("A/2.wav");
  WriteSettings();
  auto form = Open();
  SelectFolder(*form, "A");
  ASSERT_EQ(form->ListViewPlay->rowCount(), 2);
  QWidget* surface = form->ListViewPlay->viewport();
  const QPoint below(10, surface->height() - 5);
  ASSERT_FALSE(form->ListViewPlay->indexAt(below).isValid());
  DoubleClick(surface, below);
  EXPECT_TRUE(form->Engine()->Playing());
  EXPECT_EQ(form->Session().PlayFile(), PathOf("A/1.wav"));
  ExpectNoErrorBoxes();
}
