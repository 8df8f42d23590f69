// The folder dialog's tree on a private home folder: the desktop node, what it leads to, the
// selection it keeps, and how its controls follow the dialog's size.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>

#include "desktop/uDlgFolderSelect.h"
#include "tests/desktop/TrayIconTestApp.h"

namespace fs = std::filesystem;

namespace {

class FolderSelectTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureTestApplication(); }
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "orvane-dlg-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    Home = pattern;
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DESKTOP_DIR"}) {
      const char* value = std::getenv(name);
      Saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
    ::setenv("HOME", Home.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (Home + "/.config").c_str(), 1);
    ::unsetenv("XDG_DESKTOP_DIR");
  }
  void TearDown() override {
    for (const auto& [name, value] : Saved) {
      if (value) ::setenv(name.c_str(), value->c_str(), 1);
      else ::unsetenv(name.c_str());
    }
    fs::remove_all(Home);
  }
  static std::vector<std::string> Paths(const QTreeWidgetItem* node) {
    std::vector<std::string> paths;
    for (int i = 0; i < node->childCount(); ++i)
      paths.push_back(node->child(i)->data(0, Qt::UserRole).toByteArray().toStdString());
    return paths;
  }
  // Runs the dialog modally; once it shows, act() and then the key that closes it.
  static int Run(TdlgFolderSelect& dialog, std::function<void()> act, Qt::Key key) {
    QTimer::singleShot(0, [&dialog, act, key] {
      act();
      QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
      QCoreApplication::sendEvent(dialog.ShellTreeView1, &press);
    });
    return dialog.exec();
  }

  std::string Home;
  std::vector<std::pair<std::string, std::optional<std::string>>> Saved;
};

TEST_F(FolderSelectTest, DesktopIsTheOneRootAndLeadsToItsFoldersHomeAndTheFileSystem) {
  for (const char* path : {"Desktop/zeta", "Desktop/Alpha", "Desktop/.hidden", "Music"})
    fs::create_directories(Home + "/" + path);
  TdlgFolderSelect dialog;
  ASSERT_EQ(dialog.ShellTreeView1->topLevelItemCount(), 1);
  QTreeWidgetItem* desktop = dialog.ShellTreeView1->topLevelItem(0);
  EXPECT_TRUE(desktop->isExpanded());
  EXPECT_TRUE(desktop->isSelected());
  EXPECT_EQ(dialog.SelectedPath(), Home + "/Desktop");
  EXPECT_EQ(Paths(desktop), (std::vector<std::string>{Home + "/Desktop/Alpha",
                                                       Home + "/Desktop/zeta", Home, "/"}));
  desktop->child(2)->setExpanded(true);  // home
  EXPECT_EQ(Paths(desktop->child(2)),
            (std::vector<std::string>{Home + "/Desktop", Home + "/Music"}));
  EXPECT_FALSE(dialog.ShellTreeView1->rootIsDecorated());
  EXPECT_EQ(dialog.ShellTreeView1->indentation(), 19);
  dialog.ShellTreeView1->clearSelection();
  EXPECT_EQ(dialog.SelectedPath(), "");
}

TEST_F(FolderSelectTest, WithoutADesktopFolderHomeIsTheRoot) {
  fs::create_directories(Home + "/Music");
  TdlgFolderSelect dialog;
  QTreeWidgetItem* root = dialog.ShellTreeView1->topLevelItem(0);
  EXPECT_EQ(dialog.SelectedPath(), Home);
  EXPECT_EQ(Paths(root), (std::vector<std::string>{Home + "/Music", "/"}));
}

TEST_F(FolderSelectTest, OkGivesTheSelectionWhichStaysForTheNextShowingAndEscCancels) {
  fs::create_directories(Home + "/Desktop/Alpha");
  fs::create_directories(Home + "/Desktop/Beta");
  TdlgFolderSelect dialog;
  QTreeWidgetItem* desktop = dialog.ShellTreeView1->topLevelItem(0);
  EXPECT_EQ(Run(dialog, [&] { dialog.ShellTreeView1->setCurrentItem(desktop->child(1)); },
                Qt::Key_Return),
            QDialog::Accepted);
  EXPECT_EQ(dialog.SelectedPath(), Home + "/Desktop/Beta");
  std::string shownSelection;
  EXPECT_EQ(Run(dialog, [&] { shownSelection = dialog.SelectedPath(); }, Qt::Key_Escape),
            QDialog::Rejected);
  EXPECT_EQ(shownSelection, Home + "/Desktop/Beta");
}

TEST_F(FolderSelectTest, RightClickSelectsTheNodeUnderTheMouse) {
  fs::create_directories(Home + "/Desktop/Alpha");
  TdlgFolderSelect dialog;
  dialog.show();
  QCoreApplication::processEvents();
  QTreeWidgetItem* alpha = dialog.ShellTreeView1->topLevelItem(0)->child(0);
  const QPoint at = dialog.ShellTreeView1->visualItemRect(alpha).center();
  const QPoint global = dialog.ShellTreeView1->viewport()->mapToGlobal(at);
  QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::RightButton, Qt::RightButton,
                    Qt::NoModifier);
  QCoreApplication::sendEvent(dialog.ShellTreeView1->viewport(), &press);
  EXPECT_EQ(dialog.SelectedPath(), Home + "/Desktop/Alpha");
}

TEST_F(FolderSelectTest, FrameAndTreeStretchButtonsKeepToLeftAndBottom) {
  TdlgFolderSelect dialog;
  EXPECT_EQ(dialog.windowTitle(), "Select Path");
  dialog.resize(471 + 100, 384 + 50);
  dialog.show();
  QCoreApplication::processEvents();
  EXPECT_EQ(dialog.Bevel1->geometry(), QRect(8, 8, 555, 381));
  EXPECT_EQ(dialog.ShellTreeView1->geometry(), QRect(24, 16, 515, 365));
  EXPECT_EQ(dialog.OKBtn->geometry(), QRect(159, 400, 75, 25));
  EXPECT_EQ(dialog.CancelBtn->geometry(), QRect(239, 400, 75, 25));
  EXPECT_EQ(dialog.CancelBtn->text().toStdString(), "キャンセル");
}

}  // namespace
