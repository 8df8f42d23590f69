// The main window's life: what a first run writes to the settings file, what a second run reads
// back, and how a settings folder that cannot be written is reported.

#include <gtest/gtest.h>

#include <QAction>
#include <QFontInfo>
#include <QHeaderView>
#include <QListWidget>
#include <QMenu>
#include <QScrollBar>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <QLayout>
#include <QToolButton>

#include <sys/inotify.h>
#include <unistd.h>

#include "AppTestSupport.h"
#include "app/ApplicationEvents.h"
#include "app/FilterComboBox.h"
#include "app/uMain.h"
#include "desktop/Winplace.h"
#include "support/Unprivileged.h"

using namespace orvane_test;
using platform::MOD_WIN;

namespace {

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureApplication();
    SetApplicationIniFileName(IniPath);
  }
  void TearDown() override { SetApplicationIniFileName(""); }

  // One run of the program's window: create, show, destroy.
  void Run(const std::function<void(TfrmMain&)>& whileShown = {}) {
    TfrmMain form(MakeEngineWithoutGraph);
    form.show();
    QCoreApplication::processEvents();
    if (whileShown) whileShown(form);
  }

  std::string IniText() const { return ReadFile(IniPath); }

  TTempDir Dir;
  std::string IniPath = Dir.File("orvane.ini");
  TMessageRecorder Messages;
  THotKeyRecorder HotKeys;
};

std::vector<std::string> KeysOf(const TIniEntries& entries, const std::string& section) {
  std::vector<std::string> keys;
  for (const auto& [s, key, value] : entries) {
    if (s == section) keys.push_back(key);
  }
  return keys;
}

std::string ValueOf(const TIniEntries& entries, const std::string& section, const std::string& key) {
  for (const auto& [s, k, value] : entries) {
    if (s == section && k == key) return value;
  }
  return "<missing>";
}

const char* const kDefaultFilter =
    "wav|*.wav|mp3|*.mp3|avi|*.avi|wmv|*.wmv|mpg|*.mpg|m2p|*.m2p|vob|*.vob|vg2|*.vg2|"
    "all(wav,mp3,avi,wmv,mpg,m2p,vob,vg2)|*.*";

}  // namespace

TEST_F(MainWindowTest, FirstRunStartsFromDefaultsAndWritesEveryKeyInOrder) {
  Run([](TfrmMain& form) {
    EXPECT_EQ(form.windowTitle().toStdString(), "Ver1.07 Orvane - 再生停止");
    EXPECT_EQ(form.Session().RootPath(), "/");
    EXPECT_EQ(form.StatusBar1->currentMessage().toStdString(), "/");
    EXPECT_EQ(form.FilterComboBox1->currentText().toStdString(), "wav");
    EXPECT_FALSE(form.ActionUseVideoGate->isChecked());
    EXPECT_FALSE(form.ActionAutoNextFolder->isChecked());
    EXPECT_TRUE(form.Engine()->Gapless());
    EXPECT_EQ(form.ScrollBar1->maximum(), 10000);
  });

  const TIniEntries entries = ParseIni(IniText());
  std::vector<std::string> sections;
  for (const auto& [section, key, value] : entries) {
    if (sections.empty() || sections.back() != section) sections.push_back(section);
  }
  EXPECT_EQ(sections, (std::vector<std::string>{"Main", "Play", "ShortCut", "TfrmMain"}));
  EXPECT_EQ(KeysOf(entries, "Main"), (std::vector<std::string>{"Path", "PlayPath", "PlayFile",
                                                               "Playing", "PlayPos", "Mask"}));
  EXPECT_EQ(KeysOf(entries, "Play"),
            (std::vector<std::string>{"UseVideoGate1000", "AutoNextFolder", "Gapless", "Filter",
                                      "PlayableExtensions"}));
  EXPECT_EQ(KeysOf(entries, "ShortCut"), (std::vector<std::string>{
                                             "Enable", "Pause", "Prev", "Next", "PrevFld",
                                             "NextFld", "Visible"}));
  EXPECT_EQ(KeysOf(entries, "TfrmMain"),
            (std::vector<std::string>{"PlaceFlags", "PlaceShowCmd", "PlaceMinPos.X",
                                      "PlaceMinPos.Y", "PlaceMaxPos.X", "PlaceMaxPos.Y",
                                      "PlaceNormalPos.Left", "PlaceNormalPos.Top",
                                      "PlaceNormalPos.Right", "PlaceNormalPos.Bottom"}));
  EXPECT_EQ(ValueOf(entries, "Main", "Path"), "/");
  EXPECT_EQ(ValueOf(entries, "Main", "Playing"), "0");
  EXPECT_EQ(ValueOf(entries, "Main", "Mask"), "0");
  EXPECT_EQ(ValueOf(entries, "Play", "Gapless"), "1");
  EXPECT_EQ(ValueOf(entries, "Play", "Filter"), kDefaultFilter);
  EXPECT_EQ(ValueOf(entries, "Play", "PlayableExtensions"), "wav,mp3,avi,wmv,mpg,m2p,vob,vg2");
  EXPECT_EQ(ValueOf(entries, "ShortCut", "Enable"), "1");
  EXPECT_EQ(ValueOf(entries, "ShortCut", "Pause"), "End");
  EXPECT_EQ(ValueOf(entries, "ShortCut", "PrevFld"), "Up");
  EXPECT_EQ(ValueOf(entries, "ShortCut", "NextFld"), "Down");
  EXPECT_EQ(ValueOf(entries, "ShortCut", "Visible"), "Home");
  EXPECT_EQ(ValueOf(entries, "TfrmMain", "PlaceShowCmd"), "1");

  // Super plus the key, registered in the file's order under the hotkeys' own numbers, and
  // unregistered in the same order at exit.
  const std::vector<THotKeyCall> expected = {
      {true, 0, MOD_WIN, platform::VK_END},   {true, 1, MOD_WIN, platform::VK_LEFT},
      {true, 2, MOD_WIN, platform::VK_RIGHT}, {true, 4, MOD_WIN, platform::VK_UP},
      {true, 3, MOD_WIN, platform::VK_DOWN},  {true, 5, MOD_WIN, platform::VK_HOME},
      {false, 0, 0, 0}, {false, 1, 0, 0}, {false, 2, 0, 0},
      {false, 4, 0, 0}, {false, 3, 0, 0}, {false, 5, 0, 0}};
  EXPECT_EQ(HotKeys.Calls, expected);
  EXPECT_TRUE(Messages.ApplicationMessages().empty());
}

TEST_F(MainWindowTest, SecondRunReadsTheFileBackAndKeepsForeignLines) {
  WriteFile(IniPath,
            "; written by hand\n"
            "[Other]\n"
            "Key=kept\n"
            "[Main]\n"
            "Path=/music\n"
            "PlayPath=/music/album\n"
            "PlayFile=/music/album/01.mp3\n"
            "Playing=1\n"
            "PlayPos=36000000000\n"
            "Mask=7\n"
            "[Play]\n"
            "UseVideoGate1000=1\n"
            "AutoNextFolder=1\n"
            "Gapless=0\n"
            "[ShortCut]\n"
            "Pause=Ctrl+Shift+F5\n"
            "Prev=\n"
            "Next=^Alt+PgDn\n");
  Run([](TfrmMain& form) {
    EXPECT_EQ(form.Session().RootPath(), "/music/");
    EXPECT_EQ(form.Session().PlayPath(), "/music/album/");
    EXPECT_EQ(form.Session().PlayFile(), "/music/album/01.mp3");
    EXPECT_TRUE(form.ResumePlaying());
    EXPECT_EQ(form.ResumePosition(), int64_t{36000000000});  // one hour in 100 ns units
    EXPECT_EQ(form.FilterComboBox1->ItemIndex(), 7);
    EXPECT_EQ(form.FilterComboBox1->Mask(), "*.vg2");
    EXPECT_TRUE(form.ActionUseVideoGate->isChecked());
    EXPECT_TRUE(form.ActionAutoNextFolder->isChecked());
    EXPECT_TRUE(form.Engine()->VideoGateVideo());
    EXPECT_TRUE(form.Engine()->VideoGateAudio());
    EXPECT_FALSE(form.Engine()->Gapless());
  });

  ASSERT_GE(HotKeys.Calls.size(), 6u);
  EXPECT_EQ(HotKeys.Calls[0], (THotKeyCall{true, 0, MOD_WIN, platform::VK_F1 + 4}));
  EXPECT_EQ(HotKeys.Calls[1], (THotKeyCall{true, 1, MOD_WIN, 0}));  // present but empty
  EXPECT_EQ(HotKeys.Calls[2], (THotKeyCall{true, 2, MOD_WIN, platform::VK_NEXT}));

  const std::string text = IniText();
  EXPECT_EQ(text.rfind("; written by hand\n[Other]\nKey=kept\n", 0), 0u) << text;
  const TIniEntries entries = ParseIni(text);
  EXPECT_EQ(ValueOf(entries, "Main", "Path"), "/music/");
  EXPECT_EQ(ValueOf(entries, "Main", "Mask"), "7");
  EXPECT_EQ(ValueOf(entries, "ShortCut", "Pause"), "Shift+Ctrl+F5");
  EXPECT_EQ(ValueOf(entries, "ShortCut", "Prev"), "");
  EXPECT_EQ(ValueOf(entries, "ShortCut", "Next"), "Ctrl+Alt+PgDn");
  EXPECT_EQ(ValueOf(entries, "Play", "UseVideoGate1000"), "1");
  EXPECT_EQ(ValueOf(entries, "Play", "Gapless"), "0");
  // Nothing plays in this run, so the engine reports "stopped at the start".
  EXPECT_EQ(ValueOf(entries, "Main", "Playing"), "0");
  EXPECT_EQ(ValueOf(entries, "Main", "PlayPos"), "0");
}

TEST_F(MainWindowTest, DisabledHotkeysAreNeitherRegisteredNorRewritten) {
  const std::string shortCuts =
      "[ShortCut]\nEnable=0\nPause=ctrl+x\nPrev=nonsense\nNext=\nPrevFld=F9\nNextFld=Up\n"
      "Visible=Alt+Home\n";
  WriteFile(IniPath, shortCuts);
  Run();
  EXPECT_TRUE(HotKeys.Calls.empty());
  EXPECT_EQ(IniText().rfind(shortCuts, 0), 0u) << IniText();
}

TEST_F(MainWindowTest, OutOfRangeMaskSelectsNoEntry) {
  WriteFile(IniPath, "[Main]\nMask=99\n[Play]\nFilter=a|*.a|b\n");
  Run([](TfrmMain& form) {
    EXPECT_EQ(form.FilterComboBox1->count(), 1);  // "b" has no mask and is dropped
    EXPECT_EQ(form.FilterComboBox1->ItemIndex(), -1);
  });
  EXPECT_EQ(ValueOf(ParseIni(IniText()), "Main", "Mask"), "-1");
}

TEST_F(MainWindowTest, UnwritableFolderIsReportedAndLeavesTheFileAsItWas) {
  // Root writes into any folder: as root, the test runs again in a copy of this program that
  // has given root up.
  if (::geteuid() == 0) {
    ASSERT_EQ(RunCurrentTestUnprivileged(), 0);
    return;
  }
  // The first value written differs from the file's, so saving fails at once.
  const std::string original = "[Main]\nPath=/music\n[ShortCut]\nPause=End\n";
  WriteFile(IniPath, original);
  std::filesystem::permissions(Dir.Path(), std::filesystem::perms::owner_read |
                                               std::filesystem::perms::owner_exec);

  Run();

  std::filesystem::permissions(Dir.Path(), std::filesystem::perms::owner_all);
  const std::vector<TMessageRecord> shown = Messages.ApplicationMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].Text, IniPath + " に書き込めません");
  EXPECT_EQ(shown[0].Caption, "Orvane");
  EXPECT_EQ(IniText(), original);
  // The rest of the save is skipped, hotkeys included.
  for (const THotKeyCall& call : HotKeys.Calls) EXPECT_TRUE(call.Register);
}

TEST_F(MainWindowTest, ComponentsCarryTheFormsNamesAndRoles) {
  Run([](TfrmMain& shown) {
    // A first run, without settings, opens where the form was designed.
    EXPECT_EQ(shown.frameGeometry().topLeft(), QPoint(204, 144));
    EXPECT_EQ(shown.size(), QSize(939, 539));
    // The family the text is drawn in, not the one asked for: a missing font shows here.
    EXPECT_EQ(QFontInfo(shown.font()).family(), "IPAPGothic");
  });
  TfrmMain form(MakeEngineWithoutGraph);
  for (const char* name : {"ActionToolBar1", "PanelFolder", "ListViewFolder", "Splitter1",
                           "PanelPlay", "FilterComboBox1", "ListViewPlay", "PanelBottom",
                           "ScrollBar1", "StatusBar1", "PopupMenu1", "Timer1",
                           "ApplicationEvents1", "ActionManager1"}) {
    EXPECT_NE(form.findChild<QObject*>(name), nullptr) << name;
  }
  EXPECT_EQ(form.Timer1->interval(), 200);
  EXPECT_TRUE(form.Timer1->isActive());
  EXPECT_EQ(form.ListViewFolder->viewMode(), QListView::IconMode);
  EXPECT_EQ(form.ListViewFolder->iconSize(), QSize(96, 96));
  EXPECT_EQ(form.ImageListFolder.Width(), 96);
  EXPECT_TRUE(form.ListViewPlay->showGrid());
  EXPECT_EQ(form.ListViewPlay->selectionBehavior(), QAbstractItemView::SelectRows);

  std::vector<std::string> buttons;
  QLayout* bar = form.ActionToolBar1->layout();
  for (int i = 0; i < bar->count(); ++i) {
    auto* button = qobject_cast<QToolButton*>(bar->itemAt(i)->widget());
    buttons.push_back(button ? button->text().toStdString() : "|");
  }
  EXPECT_EQ(buttons, (std::vector<std::string>{
                         "&Play", "&Stop", "P&ause", "P&rev", "&Next", "|", "PrevFolder",
                         "NextFolder", "AutoNextFolder", "S&electPath", "|", "VideoGate1000", "|",
                         "-&15", "-&5", "+5", "+15", "+&30", "+&45", "+&60", "+&75", "+&90",
                         "H&ide"}));

  std::vector<std::string> items;
  for (QAction* action : form.PopupMenu1->actions()) {
    items.push_back(action->isSeparator() ? "|" : action->text().toStdString());
  }
  EXPECT_EQ(items, (std::vector<std::string>{"Exit", "|", "SelectPath", "|", "Play", "Stop",
                                             "Pause", "Prev", "Next", "|", "Show", "Hide"}));

  EXPECT_EQ(form.ActionMinus5->data().toInt(), -5);
  EXPECT_EQ(form.ActionPlus90->data().toInt(), 90);
  auto picture = [](const QIcon& icon) { return icon.pixmap(16, 16).toImage(); };
  EXPECT_EQ(picture(form.ActionPause->icon()), picture(form.ImageListAction.Icon(4)));
  EXPECT_EQ(picture(form.ActionPrev->icon()), picture(form.ImageListAction.Icon(2)));
  EXPECT_EQ(form.ActionUseVideoGate->toolTip().toStdString(), "VideoGate1000を使用する");
  EXPECT_TRUE(form.ActionAutoNextFolder->isCheckable());
}

TEST_F(MainWindowTest, OnlyTheFirstShowingDoesTheOneTimeWork) {
  Run([](TfrmMain& form) {
    ASSERT_EQ(form.ListViewPlay->columnCount(), 3);
    EXPECT_EQ(form.ListViewPlay->horizontalHeaderItem(2)->text(), "Artist");
    EXPECT_EQ(form.ListViewPlay->columnWidth(0), 200);
    form.ListViewPlay->setColumnCount(4);
    form.hide();
    form.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(form.ListViewPlay->columnCount(), 4);
  });
}

TEST_F(MainWindowTest, SavedMaximisedWindowReopensMaximisedWithItsNormalRectangle) {
  Run([](TfrmMain& form) {
    form.setGeometry(100, 120, 700, 400);
    form.showMaximized();
    QCoreApplication::processEvents();
  });
  Run([](TfrmMain& form) {
    EXPECT_TRUE(form.windowState() & Qt::WindowMaximized);
    EXPECT_EQ(form.normalGeometry().size(), QSize(700, 400));
  });
}

TEST_F(MainWindowTest, ErrorLeavingAHandlerIsShownAndTheProgramGoesOn) {
  std::vector<platform::TMsg> seen;
  TfrmMain form(MakeEngineWithoutGraph);
  // A hotkey reaches the hook as WM_HOTKEY; a handler that throws is reported, not propagated.
  form.ApplicationEvents1->SetOnMessage([&](platform::TMsg& msg, bool&) {
    seen.push_back(msg);
    throw std::runtime_error("broken jacket");
  });
  platform::PostHotKey(&form, 3, MOD_WIN, platform::VK_DOWN);
  QCoreApplication::sendPostedEvents(&form);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].message, platform::WM_HOTKEY);
  EXPECT_EQ(seen[0].wParam, 3u);
  EXPECT_EQ(seen[0].lParam, static_cast<intptr_t>(MOD_WIN | (platform::VK_DOWN << 16)));
  const std::vector<TMessageRecord> shown = Messages.ApplicationMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].Text, "broken jacket");
}

// An error box during the save runs its own event loop: neither the timer (the end of a file) nor
// a hotkey may act there on the state being saved.
TEST_F(MainWindowTest, TimerAndHotkeysStopBeforeTheSettingsAreSaved) {
  auto form = std::make_unique<TfrmMain>(MakeEngineWithoutGraph);
  form->show();
  QCoreApplication::processEvents();
  // A settings file in a folder that does not exist cannot be written.
  SetApplicationIniFileName(Dir.File("gone/orvane.ini"));
  bool timerActive = true, visibleAfterHotkey = false;
  TfrmMain* window = form.get();
  platform::SetMessageBoxShower([&](const std::string& text, const std::string& caption, unsigned) {
    Messages.Messages.push_back({text, caption});
    timerActive = window->Timer1->isActive();
    platform::PostHotKey(window, 5, MOD_WIN, platform::VK_HOME);  // would hide the window
    QCoreApplication::sendPostedEvents();
    visibleAfterHotkey = window->isVisible();
    return platform::IDOK;
  });
  form.reset();
  const std::vector<TMessageRecord> shown = Messages.ApplicationMessages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].Text, Dir.File("gone/orvane.ini") + " に書き込めません");
  EXPECT_FALSE(timerActive);
  EXPECT_TRUE(visibleAfterHotkey);
}

// The save at exit lands as one replacement of the file (a kill between two replacements left
// new values beside old ones), and a start removes the copy a killed save left beside the file.
TEST_F(MainWindowTest, TheSaveAtExitIsOneReplacementAndAStartRemovesAKilledSavesCopy) {
  WriteFile(IniPath, "; kept\n[Other]\nx = 1\n");
  // No process has this number (it is above the kernel's limit).
  const std::string leftover = Dir.File(".orvane.ini.999999999.3.tmp");
  WriteFile(leftover, "[Main]\n");
  // Every copy is created under a name of its own: identical events would be merged.
  const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(watch, 0);
  ASSERT_GE(inotify_add_watch(watch, Dir.Path().c_str(), IN_CREATE | IN_MOVED_TO), 0);
  Run([&](TfrmMain&) { EXPECT_FALSE(std::filesystem::exists(leftover)); });
  int replacements = 0;
  alignas(inotify_event) char events[4096];
  for (ssize_t n; (n = read(watch, events, sizeof events)) > 0;) {
    for (ssize_t at = 0; at < n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(events + at);
      const bool moved = (event->mask & IN_MOVED_TO) != 0;
      if (moved && event->len > 0 && std::string(event->name) == "orvane.ini") ++replacements;
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
  close(watch);
  EXPECT_EQ(replacements, 1);
  EXPECT_EQ(IniText().rfind("; kept\n[Other]\nx = 1\n\n[Main]\nPath=/\n", 0), 0u) << IniText();
  EXPECT_NE(IniText().find("PlaceNormalPos.Bottom="), std::string::npos);
  EXPECT_EQ(std::vector<std::string>{"orvane.ini"}, [&] {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(Dir.Path())) {
      names.push_back(e.path().filename());
    }
    return names;
  }());
}

// At every size the window allows, each tool-bar button lies whole inside the window with
// nothing over it, and the panes keep room for a tile and a few rows.
TEST_F(MainWindowTest, EveryToolBarButtonCanBeReachedAtSmallWindowSizes) {
  TfrmMain form(MakeEngineWithoutGraph);
  form.show();
  for (const QSize size : {QSize(939, 539), QSize(500, 400), QSize(350, 300), QSize(1, 1)}) {
    form.resize(size);
    QCoreApplication::processEvents();
    SCOPED_TRACE(std::to_string(form.width()) + " x " + std::to_string(form.height()));
    for (QToolButton* button : form.ActionToolBar1->findChildren<QToolButton*>()) {
      const QRect inWindow(button->mapTo(&form, QPoint(0, 0)), button->size());
      EXPECT_TRUE(form.rect().contains(inWindow)) << button->text().toStdString();
      EXPECT_EQ(form.childAt(inWindow.center()), button) << button->text().toStdString();
    }
    EXPECT_GE(form.ListViewFolder->viewport()->height(), 96);
    EXPECT_GE(form.ListViewPlay->viewport()->height(),
              3 * form.ListViewPlay->verticalHeader()->defaultSectionSize());
  }
  EXPECT_LE(form.minimumWidth(), 350);
  EXPECT_LE(form.minimumHeight(), 300);
}
