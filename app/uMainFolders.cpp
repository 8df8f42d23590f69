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

void TfrmMain::BuildFolderList() {
  const TWaitCursor wait;
  // No entry is selected afterwards, so no next folder either.
  RenewQueued();
  SetStatusText(Session_.RootPath());
  // Clearing deselects the old entry; that is no choice of the user's and must not reach
  // ListViewFolderSelectItem, which would make a PlayPath of the new root and the old name.
  FolderPaneRebuilding_ = true;
  ListViewFolder->clear();
  FolderPaneRebuilding_ = false;
  ImageListFolder.Clear();
  // Folders without a jacket all show this one picture; the image list holds it once.
  const QImage plainTile = Background->ToQImage();
  Session_.ListFolders();
  const std::vector<std::string>& folders = Session_.Folders();
  const size_t first = Session_.AtRoot() ? 1 : 0;
  if (first == 1) AddFolderEntry(folders[0], plainTile);

  std::vector<std::string> names(folders.begin() + first, folders.end());
  std::vector<std::string> basePaths;
  for (size_t i = first; i < folders.size(); ++i) basePaths.push_back(Session_.FolderPath(i) + "a");
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

void TfrmMain::ListViewFolderSelectItem(QListWidgetItem* Item, bool Selected) {
  if (Item == nullptr || FolderPaneRebuilding_) return;
  // The entry that lost the selection lists its files too: the last change wins.
  if (Selected) Session_.SelectFolder(ListViewFolder->row(Item));
  else Session_.DeselectFolder(ListViewFolder->row(Item));
  BuildPlayList();
}

void TfrmMain::ListViewFolderDblClick(QObject* /*Sender*/) {
  const int entry = Session_.FolderIndex();
  if (entry < 0) return;
  if (Session_.Folders()[entry] == "...") {
    if (dlgFolderSelect != nullptr && dlgFolderSelect->exec() == QDialog::Accepted) {
      Session_.SetRootPath(dlgFolderSelect->SelectedPath());
    }
  } else {
    Session_.OpenFolder(entry);
  }
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

void TfrmMain::ActionNextFolderExecute(QObject* /*Sender*/) { Go(Session_.NextFolder()); }

void TfrmMain::ActionPrevFolderExecute(QObject* /*Sender*/) { Go(Session_.PreviousFolder()); }

void TfrmMain::ActionAutoNextFolderExecute(QObject* /*Sender*/) {
  // The action checks and unchecks itself, and the session follows its mark; what follows the
  // last row changes with it.
  RenewQueued();
}
