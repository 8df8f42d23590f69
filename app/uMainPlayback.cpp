#include "app/uMain.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QScopedValueRollback>

#include "app/uMainShared.h"

using namespace umain;

// Playback control.

void TfrmMain::ActionPlayExecute(QObject* /*Sender*/) {
  if (ListViewPlay->rowCount() == 0) return;
  if (ListViewPlay->selectionModel()->selectedRows().isEmpty()) ListViewPlay->selectRow(0);
  const QModelIndexList selected = ListViewPlay->selectionModel()->selectedRows();
  if (selected.isEmpty()) return;  // a list without columns has no row to select
  PlayIndex = selected.first().row();
  FailedInARow_ = 0;
  PlayFile = PlayPath + RowCaption(ListViewPlay, PlayIndex);
  Engine->OpenFile(PlayFile);
  Engine->Play();
  ActionPause->setChecked(Engine->Paused());
  UpdateCaption(PlayFile);
}

void TfrmMain::ActionStopExecute(QObject* /*Sender*/) { Engine->Stop(); }

void TfrmMain::ActionPauseExecute(QObject* /*Sender*/) {
  Engine->TogglePause();
  ActionPause->setChecked(Engine->Paused());
}

void TfrmMain::ActionNextExecute(QObject* /*Sender*/) {
  const int rows = ListViewPlay->rowCount();
  if (rows == 0) return;
  int next = PlayIndex + 1;
  if (next >= rows) {
    if (ActionAutoNextFolder->isChecked()) {
      ActionNextFolderExecute(ActionNextFolder);
      return;
    }
    next = 0;
  }
  ListViewPlay->selectRow(next);
  ActionPlayExecute(ActionPlay);
}

void TfrmMain::ActionPrevExecute(QObject* /*Sender*/) {
  const int rows = ListViewPlay->rowCount();
  if (rows == 0) return;
  int previous = PlayIndex - 1;
  if (previous < 0 || previous >= rows) previous = rows - 1;
  ListViewPlay->selectRow(previous);
  ActionPlayExecute(ActionPlay);
}

void TfrmMain::ActionMinus15Execute(QObject* Sender) {
  if (const auto* action = qobject_cast<QAction*>(Sender)) {
    Engine->SkipSeconds(static_cast<int64_t>(action->data().toInt()));
  }
}

void TfrmMain::ScrollBar1Scroll(QObject* /*Sender*/, int /*ScrollCode*/, int& ScrollPos) {
  Engine->SeekToScrollPos(ScrollPos);
}

void TfrmMain::Timer1Timer(QObject* /*Sender*/) {
  if (!Engine || !Engine->Playing() || Advancing_) return;
  Engine->UpdatePosition();
  if (Engine->Ended()) {
    Engine->SetEnded(false);
    const QScopedValueRollback<bool> advancing(Advancing_, true);
    if (Engine->Failed()) GoPastUnplayableFile();
    else ActionNextExecute(ActionNext);
  }
}

// As after the file's end (the next row, or the next folder), and the status bar names the file
// that was passed, until the next start names another. A pass in which every file of the list
// failed stops instead of going round again; a pass that goes on into another folder starts
// afresh there. No message box: the user may be away, and the list goes on without them.
void TfrmMain::GoPastUnplayableFile() {
  const std::string failed = PlayFile;
  const std::string list = PlayPath;
  const int failedInARow = FailedInARow_ + 1;
  if (failedInARow >= ListViewPlay->rowCount()) {
    Engine->Stop();
    UpdateCaption("");
    return;
  }
  ActionNextExecute(ActionNext);  // a start begins a new count ...
  if (PlayPath == list) FailedInARow_ = failedInARow;  // ... but this pass goes on
  SetStatusText(failed + ": " + kCannotPlayText);
}

void TfrmMain::ActionUseVideoGateExecute(QObject* /*Sender*/) {
  // Qt has already flipped the check mark; the new state is the one to use.
  Engine->SetVideoGateVideo(ActionUseVideoGate->isChecked());
  Engine->SetVideoGateAudio(ActionUseVideoGate->isChecked());
}
