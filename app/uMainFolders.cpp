#include "app/uMain.h"

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QStatusBar>

#include "app/Application.h"
#include "app/uMainShared.h"
#include "desktop/uDlgFolderSelect.h"
#include "imaging/ABitmap.h"
#include "imaging/JacketTiles.h"

using namespace umain;

// Folder pane.

namespace {

// The last name of a folder path, "" for the root (a lone delimiter) or an empty path.
std::string LastName(const std::string& folder) {
  const std::string path = WithoutTrailingDelimiter(folder);
  return path.substr(path.rfind(platform::PathDelim) + 1);
}

}  // namespace

void TfrmMain::BuildFolderList() {
  const TWaitCursor wait;
  SetStatusText(RootPath);
  // Clearing deselects the old entry; that is no choice of the user's and must not reach
  // ListViewFolderSelectItem, which would make a PlayPath of the new root and the old name.
  FolderPaneRebuilding_ = true;
  ListViewFolder->clear();
  FolderPaneRebuilding_ = false;
  ImageListFolder.Clear();
  // Folders without a jacket all show this one picture; the image list holds it once.
  const QImage plainTile = Background->ToQImage();
  if (LastName(RootPath).empty()) AddFolderEntry("...", plainTile);

  std::vector<std::string> names;
  std::vector<std::string> basePaths;
  const std::string root = platform::IncludeTrailingPathDelimiter(RootPath);
  for (const platform::TSearchRec& rec : platform::FindFiles(root + "*.*")) {
    if (!rec.Directory || rec.Name == ".") continue;
    names.push_back(rec.Name);
    basePaths.push_back(root + rec.Name + platform::PathDelim + "a");
  }
  TJacketTileMaker maker(*Background, JacketRect.Left, JacketRect.Top);
  if (FolderTileThreads_ >= 0) maker.SetThreads(FolderTileThreads_);
  maker.Make(basePaths, [&](size_t i, TABitmap& tile) {
    AddFolderEntry(names[i], tile.Empty() ? plainTile : tile.ToQImage());
  });
  // A folder whose jacket cannot be read keeps its entry with the plain tile, and the folders
  // after it are listed all the same. The user hears of it once per rebuild, with the pane
  // complete behind the box, and the caller (the first showing's resume) goes on.
  if (maker.FailedCount() > 0) ShowException(maker.FirstFailure());
}

// One entry and its tile, together: entry i of the pane shows image i of ImageListFolder.
void TfrmMain::AddFolderEntry(const std::string& name, const QImage& tile) {
  const int index = ImageListFolder.Add(tile);
  auto* item = new QListWidgetItem(ImageListFolder.Icon(index), ForDisplay(name));
  SetRawName(item, name);
  ListViewFolder->addItem(item);
}

void TfrmMain::ListViewFolderSelectItem(QListWidgetItem* Item, bool /*Selected*/) {
  if (Item == nullptr || FolderPaneRebuilding_) return;
  PlayPath = platform::IncludeTrailingPathDelimiter(RootPath) + RawName(Item);
  PlayPath = platform::IncludeTrailingPathDelimiter(PlayPath);
  BuildPlayList();
}

void TfrmMain::ListViewFolderDblClick(QObject* /*Sender*/) {
  const QList<QListWidgetItem*> selected = ListViewFolder->selectedItems();
  if (selected.isEmpty()) return;
  const std::string caption = RawName(selected.first());
  if (caption == "...") {
    if (dlgFolderSelect != nullptr && dlgFolderSelect->exec() == QDialog::Accepted) {
      RootPath = dlgFolderSelect->SelectedPath();
    }
  } else if (caption == "..") {
    const std::string current = WithoutTrailingDelimiter(RootPath);
    RootPath = current.substr(0, current.rfind(platform::PathDelim) + 1);
  } else {
    RootPath = platform::IncludeTrailingPathDelimiter(RootPath) + caption;
  }
  RootPath = platform::IncludeTrailingPathDelimiter(RootPath);
  BuildFolderList();
}

void TfrmMain::ListViewFolderKeyPress(QObject* Sender, char& Key) {
  if (Key == 13) {
    ListViewFolderDblClick(Sender);
  } else if (Key == 8) {
    ListViewFolder->setCurrentRow(0);  // ".." or "...": up, or the dialog at a drive's root
    ListViewFolderDblClick(Sender);
  }
}

void TfrmMain::ActionNextFolderExecute(QObject* /*Sender*/) {
  const int count = ListViewFolder->count();
  const QModelIndexList selected = ListViewFolder->selectionModel()->selectedIndexes();
  if (count == 0 || selected.isEmpty()) return;
  const int current = selected.first().row();
  // Past the last entry the walk wraps to entry 1: entry 0 is ".." or "...".
  const int next = current < count - 1 ? current + 1 : 1;
  if (next >= count) return;
  ListViewFolder->setCurrentRow(next);
  ActionPlayExecute(ActionPlay);
}

void TfrmMain::ActionPrevFolderExecute(QObject* /*Sender*/) {
  const int count = ListViewFolder->count();
  const QModelIndexList selected = ListViewFolder->selectionModel()->selectedIndexes();
  if (count == 0 || selected.isEmpty()) return;
  const int current = selected.first().row();
  ListViewFolder->setCurrentRow(current >= 2 ? current - 1 : count - 1);
  ActionPlayExecute(ActionPlay);
}

void TfrmMain::ActionAutoNextFolderExecute(QObject* /*Sender*/) {
  // Nothing: the action checks and unchecks itself, and the end of a file reads its state.
}
