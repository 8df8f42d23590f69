#include "app/uMain.h"

#include <QAction>
#include <QStatusBar>

#include "desktop/uDlgFolderSelect.h"

#include "app/uMainShared.h"

using namespace umain;

// Folder pane.

void TfrmMain::BuildFolderList() {
  SetStatusText(RootPath);
  ListViewFolder->clear();
  ImageListFolder.Clear();
  // The folder entries and their jacket tiles come with the folder pane's own work.
}

void TfrmMain::ListViewFolderSelectItem(QListWidgetItem* Item, bool /*Selected*/) {
  if (Item == nullptr) return;
  PlayPath = platform::IncludeTrailingPathDelimiter(RootPath) + Item->text().toStdString();
  PlayPath = platform::IncludeTrailingPathDelimiter(PlayPath);
  BuildPlayList();
}

void TfrmMain::ListViewFolderDblClick(QObject* /*Sender*/) {
  const QList<QListWidgetItem*> selected = ListViewFolder->selectedItems();
  if (selected.isEmpty()) return;
  const std::string caption = selected.first()->text().toStdString();
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
