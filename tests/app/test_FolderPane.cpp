// The folder pane on generated libraries: entries and tiles, moving through folders with the
// keyboard and the actions, the folder dialog, and what a rebuild must leave alone.

#include <gtest/gtest.h>

#include <QAction>
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>

#include <sys/stat.h>

#include <array>
#include <cstdlib>
#include <filesystem>

#include "AppTestSupport.h"
#include "app/uMain.h"
#include "desktop/Winplace.h"
#include "desktop/uDlgFolderSelect.h"
#include "imaging/ABitmap.h"
#include "support/PrivateRoot.h"

using namespace orvane_test;
namespace fs = std::filesystem;

namespace {

// Shift-JIS "ボン", not valid UTF-8: a folder name copied from an old Japanese disc.
const std::string kShiftJisName = "\x83\x7B\x83\x93";

using TQuarters = std::array<QRgb, 4>;
const TQuarters kQuarters = {qRgb(220, 30, 30), qRgb(30, 200, 30), qRgb(30, 30, 220),
                             qRgb(230, 230, 40)};
const TQuarters kDark = {qRgb(0, 0, 0), qRgb(0, 0, 0), qRgb(0, 0, 0), qRgb(0, 0, 0)};

class FolderPaneTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    EnsureApplication();
    SetApplicationIniFileName(Dir.File("orvane.ini"));
    Library = Dir.File("lib") + "/";
    fs::create_directory(Library);
  }
  void TearDown() override { SetApplicationIniFileName(""); }

  void Folder(const std::string& path) { fs::create_directories(Library + path); }
  // A picture of four plain quarters (top left, top right, bottom left, bottom right), so that
  // a tile shows where each went whatever the picture's size.
  void Picture(const std::string& path, int w, int h, const char* format,
               const TQuarters& quarters = kQuarters) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) image.setPixel(x, y, quarters[(y >= h / 2) * 2 + (x >= w / 2)]);
    ASSERT_TRUE(image.save(QString::fromStdString(Library + path), format, 95));
  }
  void WriteIni(const std::string& text) { WriteFile(Dir.File("orvane.ini"), text); }

  // A shown window with its pane built on root, jackets decoded by GetParam() workers.
  std::unique_ptr<TfrmMain> Open(const std::string& root) {
    WriteIni("[Main]\nPath=" + root + "\n");
    auto form = std::make_unique<TfrmMain>(MakeEngineWithoutGraph);
    form->SetFolderTileThreads(GetParam());
    form->show();
    QCoreApplication::processEvents();
    return form;
  }

  static std::vector<std::string> Names(const TfrmMain& form) {
    std::vector<std::string> names;
    for (int i = 0; i < form.ListViewFolder->count(); ++i) {
      names.push_back(form.ListViewFolder->item(i)->data(Qt::UserRole).toByteArray().toStdString());
    }
    return names;
  }
  static int Selected(const TfrmMain& form) {
    const auto rows = form.ListViewFolder->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
  }
  static void Key(QWidget* to, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, key == Qt::Key_Backspace ? "\b" : "\r");
    QCoreApplication::sendEvent(to, &press);
  }
  TTempDir Dir;
  std::string Library;
  TMessageRecorder Messages;
  THotKeyRecorder HotKeys;
};

INSTANTIATE_TEST_SUITE_P(Workers, FolderPaneTest, ::testing::Values(0, 2),
                         [](const auto& info) { return "Threads" + std::to_string(info.param); });

bool Near(QRgb a, QRgb b) {  // JPEG moves a plain colour by a few steps
  return std::abs(qRed(a) - qRed(b)) < 40 && std::abs(qGreen(a) - qGreen(b)) < 40 &&
         std::abs(qBlue(a) - qBlue(b)) < 40;
}

// A tile is the background with the jacket squeezed into the 80 x 80 square at (6, 6): the
// background shows around the square, each quarter of the picture in its own quarter of it.
void ExpectJacketTile(const TfrmMain& form, const QImage& tile) {
  const QImage background = form.TileBackground().ToQImage();
  ASSERT_EQ(tile.size(), QSize(96, 96));
  for (const QPoint at : {QPoint(5, 5), QPoint(86, 86), QPoint(5, 85), QPoint(86, 6)}) {
    EXPECT_EQ(tile.pixel(at), background.pixel(at)) << at.x() << "," << at.y();
  }
  const QPoint corners[] = {{6, 6}, {85, 6}, {6, 85}, {85, 85}};
  const QPoint middles[] = {{26, 26}, {65, 26}, {26, 65}, {65, 65}};
  for (size_t i = 0; i < 4; ++i) {
    for (const QPoint at : {corners[i], middles[i]}) {
      EXPECT_TRUE(Near(tile.pixel(at), kQuarters[i]))
          << at.x() << "," << at.y() << ": " << std::hex << tile.pixel(at);
    }
  }
}

void ExpectPlainTile(const TfrmMain& form, const QImage& tile) {
  EXPECT_EQ(tile, form.TileBackground().ToQImage());
}

TEST_P(FolderPaneTest, EntriesComeInSearchOrderEachWithItsTile) {
  Folder("Bravo");
  Folder("alpha");
  Folder("charlie");
  Folder("delta");
  Picture("alpha/a.jpg", 500, 500, "JPG");
  Picture("charlie/A.JPG", 300, 200, "JPG");
  Picture("delta/a.bmp", 300, 200, "BMP");
  Picture("delta/a.jpg", 40, 40, "JPG", kDark);
  const fs::path oldCurrent = fs::current_path();
  fs::create_directory(Dir.File("cwd"));
  fs::current_path(Dir.File("cwd"));
  const auto form = Open(Library);
  fs::current_path(oldCurrent);

  EXPECT_EQ(Names(*form), (std::vector<std::string>{"..", "alpha", "Bravo", "charlie", "delta"}));
  EXPECT_EQ(form->ImageListFolder.Count(), form->ListViewFolder->count());
  EXPECT_EQ(Selected(*form), -1);
  EXPECT_EQ(form->StatusBar1->currentMessage().toStdString(), Library);
  ExpectJacketTile(*form, form->ImageListFolder.Image(1));
  ExpectPlainTile(*form, form->ImageListFolder.Image(2));
  ExpectJacketTile(*form, form->ImageListFolder.Image(3));
  ExpectJacketTile(*form, form->ImageListFolder.Image(4));  // ".bmp" beats the dark ".jpg"
  // ".." shows the jacket of the library's own folder: it has none.
  ExpectPlainTile(*form, form->ImageListFolder.Image(0));
  EXPECT_TRUE(fs::is_empty(Dir.File("cwd"))) << "no scratch file such as temp.bmp";
  EXPECT_TRUE(Messages.ApplicationMessages().empty());
}

TEST_P(FolderPaneTest, RootStartsWithTheDialogEntryAndNoParent) {
  // Not over the machine's own "/", whose folders differ from one machine to the next.
  if (!InPrivateRoot()) {
    ASSERT_EQ(RunCurrentTestInPrivateRoot(Dir.File("root")), 0);
    return;
  }
  Library = "/";
  Folder("Album");
  Picture("Album/a.jpg", 120, 90, "JPG");
  const auto form = Open("/");
  const std::vector<std::string> names = Names(*form);
  ASSERT_GE(names.size(), 2u);
  EXPECT_EQ(names[0], "...");
  EXPECT_EQ(std::count(names.begin(), names.end(), ".."), 0);
  ExpectPlainTile(*form, form->ImageListFolder.Image(0));
  const auto album = std::find(names.begin(), names.end(), "Album");
  ASSERT_NE(album, names.end());
  ExpectJacketTile(*form, form->ImageListFolder.Image(static_cast<int>(album - names.begin())));
}

TEST_P(FolderPaneTest, KeysAndDoubleClickMoveThroughFoldersAndKeepPlayPath) {
  Folder("Music/Album");
  Folder("Music/Other");
  const auto form = Open(Library + "Music");
  QListWidget* pane = form->ListViewFolder;
  pane->setCurrentRow(1);  // "Album"
  EXPECT_EQ(form->Session().PlayPath(), Library + "Music/Album/");

  Key(pane, Qt::Key_Backspace);  // up to the library
  EXPECT_EQ(form->Session().RootPath(), Library);
  EXPECT_EQ(Names(*form), (std::vector<std::string>{"..", "Music"}));
  // Backspace selects ".." first, which lists the parent through that name.
  EXPECT_EQ(form->Session().PlayPath(), Library + "Music/../");

  pane->setCurrentRow(1);
  Key(pane, Qt::Key_Return);  // into "Music"
  EXPECT_EQ(form->Session().RootPath(), Library + "Music/");
  EXPECT_EQ(form->Session().PlayPath(), Library + "Music/") << "the rebuild's clearing leaves it alone";

  pane->setCurrentRow(2);  // "Other", opened by a double-click on its tile
  const QRect tile = pane->visualItemRect(pane->item(2));
  DoubleClick(pane->viewport(), tile.center());
  EXPECT_EQ(form->Session().RootPath(), Library + "Music/Other/");
  EXPECT_EQ(Names(*form), std::vector<std::string>{".."});
  EXPECT_EQ(form->Session().PlayPath(), Library + "Music/Other/");
}

TEST_P(FolderPaneTest, NextAndPreviousFolderWrapPastTheFirstEntry) {
  for (const char* name : {"A", "B", "C"}) Folder(name);
  const auto form = Open(Library);
  const std::pair<QAction*, std::pair<int, int>> steps[] = {
      {form->ActionNextFolder, {3, 1}}, {form->ActionPrevFolder, {1, 3}},
      {form->ActionNextFolder, {1, 2}}, {form->ActionPrevFolder, {2, 1}},
      {form->ActionPrevFolder, {0, 3}}};
  for (const auto& [action, rows] : steps) {
    form->ListViewFolder->setCurrentRow(rows.first);
    action->trigger();
    EXPECT_EQ(Selected(*form), rows.second) << action->text().toStdString() << rows.first;
    EXPECT_EQ(form->Session().PlayPath(), Library + Names(*form)[rows.second] + "/");
  }
}

TEST_P(FolderPaneTest, FolderNameThatIsNotUtf8RoundTripsIntoPlayPathAndTheSettings) {
  Folder(kShiftJisName);
  Folder("Plain");
  {
    const auto form = Open(Library);
    ASSERT_EQ(Names(*form), (std::vector<std::string>{"..", "Plain", kShiftJisName}));
    EXPECT_EQ(form->ListViewFolder->item(2)->text().toStdString(), "ボン");
    form->ListViewFolder->setCurrentRow(2);
    EXPECT_EQ(form->Session().PlayPath(), Library + kShiftJisName + "/");
  }
  const auto entries = ParseIni(ReadFile(Dir.File("orvane.ini")));
  EXPECT_NE(std::find(entries.begin(), entries.end(),
                      std::make_tuple(std::string("Main"), std::string("PlayPath"),
                                      Library + kShiftJisName + "/")),
            entries.end());
  // The next start finds the same entry again.
  auto form = std::make_unique<TfrmMain>(MakeEngineWithoutGraph);
  form->show();
  QCoreApplication::processEvents();
  EXPECT_EQ(Selected(*form), 2);
}

TEST_P(FolderPaneTest, BrokenJacketsKeepPlainTilesAndOneMessageAndThePaneGoesOn) {
  for (const char* name : {"A", "B", "C", "D"}) Folder(name);
  Picture("A/a.jpg", 100, 100, "JPG");
  WriteFile(Library + "B/a.jpg", "\xFF\xD8\xFF\xDB broken");
  Picture("C/a.jpg", 100, 100, "JPG");
  WriteFile(Library + "D/a.bmp", "BM truncated");
  const auto form = Open(Library);
  EXPECT_EQ(Names(*form), (std::vector<std::string>{"..", "A", "B", "C", "D"}));
  EXPECT_EQ(form->ImageListFolder.Count(), 5);
  ExpectJacketTile(*form, form->ImageListFolder.Image(1));
  ExpectPlainTile(*form, form->ImageListFolder.Image(2));
  ExpectJacketTile(*form, form->ImageListFolder.Image(3));
  ExpectPlainTile(*form, form->ImageListFolder.Image(4));
  const auto shown = Messages.ApplicationMessages();
  ASSERT_EQ(shown.size(), 1u) << "one message per rebuild";
  EXPECT_NE(shown[0].Text.find("JPEG error"), std::string::npos) << shown[0].Text;
  EXPECT_NE(shown[0].Text.find(Library + "B/a.jpg"), std::string::npos) << shown[0].Text;
}

// Opening a FIFO would wait for a writer for ever: with a jacket's name it is no jacket.
TEST_P(FolderPaneTest, FifoWithAJacketsNameIsPassedOver) {
  for (const char* name : {"A", "B"}) Folder(name);
  ASSERT_EQ(::mkfifo((Library + "A/a.jpg").c_str(), 0644), 0);
  Picture("A/cover.jpg", 100, 100, "JPG");
  ASSERT_EQ(::mkfifo((Library + "B/a.jpg").c_str(), 0644), 0);
  const auto form = Open(Library);
  EXPECT_EQ(Names(*form), (std::vector<std::string>{"..", "A", "B"}));
  ExpectJacketTile(*form, form->ImageListFolder.Image(1));
  ExpectPlainTile(*form, form->ImageListFolder.Image(2));
  EXPECT_TRUE(Messages.ApplicationMessages().empty());
}

TEST_P(FolderPaneTest, ClickOnTheEmptyAreaRemovesTheSelection) {
  Folder("A");
  const auto form = Open(Library);
  form->resize(900, 500);
  QCoreApplication::processEvents();
  form->ListViewFolder->setCurrentRow(1);
  QWidget* viewport = form->ListViewFolder->viewport();
  const QPoint empty(viewport->width() - 3, viewport->height() - 3);
  ASSERT_FALSE(form->ListViewFolder->indexAt(empty).isValid());
  for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
    QMouseEvent event(type, empty, viewport->mapToGlobal(empty), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &event);
  }
  EXPECT_EQ(Selected(*form), -1);
  EXPECT_EQ(form->Session().PlayPath(), Library + "A/") << "the play list keeps the folder that lost it";
}

TEST_P(FolderPaneTest, OnlyADoubleClickOnTheWindowsOwnSurfaceRebuilds) {
  Folder("A");
  const auto form = Open(Library);
  form->ListViewFolder->setCurrentRow(1);
  DoubleClick(form->StatusBar1, QPoint(5, 5));
  DoubleClick(form->ActionToolBar1, QPoint(form->ActionToolBar1->width() - 3, 40));
  EXPECT_EQ(Selected(*form), 1) << "what a child passed up is not the window's";
  DoubleClick(form->PanelFolder, QPoint(2, 2));  // the border round the pane
  EXPECT_EQ(Selected(*form), -1);
  EXPECT_EQ(form->Session().PlayPath(), Library + "A/");
}

// The dialog, run modally the way the window runs it; what closes it is queued first.
class FolderDialogTest : public FolderPaneTest {
 protected:
  void SetUp() override {
    FolderPaneTest::SetUp();
    Dialog = std::make_unique<TdlgFolderSelect>();
    dlgFolderSelect = Dialog.get();
  }
  void TearDown() override {
    dlgFolderSelect = nullptr;
    FolderPaneTest::TearDown();
  }
  // Selects the node for path (a child of "/" reached by opening nodes) once the dialog shows.
  void SelectWhenShown(const std::string& path, bool ok) {
    QTimer::singleShot(0, [this, path, ok] {
      QTreeWidgetItem* node = Dialog->ShellTreeView1->topLevelItem(0);
      node = node->child(node->childCount() - 1);  // "/"
      std::string reached = "";
      for (const QString& part : QString::fromStdString(path).split('/', Qt::SkipEmptyParts)) {
        node->setExpanded(true);
        reached += "/" + part.toStdString();
        for (int i = 0; i < node->childCount(); ++i) {
          if (node->child(i)->data(0, Qt::UserRole).toByteArray().toStdString() == reached) {
            node = node->child(i);
            break;
          }
        }
      }
      Dialog->ShellTreeView1->setCurrentItem(node);
      QKeyEvent key(QEvent::KeyPress, ok ? Qt::Key_Return : Qt::Key_Escape, Qt::NoModifier);
      QCoreApplication::sendEvent(Dialog->ShellTreeView1, &key);
    });
  }
  std::unique_ptr<TdlgFolderSelect> Dialog;
};

INSTANTIATE_TEST_SUITE_P(Workers, FolderDialogTest, ::testing::Values(2));

TEST_P(FolderDialogTest, SelectPathTakesTheChosenFolderAndEscChangesNothing) {
  Folder("Jazz/Live");
  Folder("Jazz/Studio");
  const auto form = Open(Library);
  SelectWhenShown(Library + "Jazz", true);
  form->ActionSelectPath->trigger();
  EXPECT_EQ(Dialog->SelectedPath(), Library + "Jazz");
  EXPECT_EQ(form->Session().RootPath(), Library + "Jazz/");
  EXPECT_EQ(Names(*form), (std::vector<std::string>{"..", "Live", "Studio"}));

  SelectWhenShown(Library, false);
  form->ActionSelectPath->trigger();
  EXPECT_EQ(form->Session().RootPath(), Library + "Jazz/");
  EXPECT_EQ(Names(*form), (std::vector<std::string>{"..", "Live", "Studio"}));
}

}  // namespace
