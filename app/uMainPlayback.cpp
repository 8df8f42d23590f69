#include "app/uMain.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QListWidget>
#include <QScopedValueRollback>
#include <QStatusBar>

#include "app/uMainShared.h"
#include "desktop/TrayIcon.h"
#include "tags/sMediaTagReader.h"

using namespace umain;

// Playback control: each command asks the session what to start, and the window shows it.

void TfrmMain::ActionPlayExecute(QObject* /*Sender*/) { Go(Session_.Play(SelectedRow())); }

void TfrmMain::ActionStopExecute(QObject* /*Sender*/) { Engine_->Stop(); }

void TfrmMain::ActionPauseExecute(QObject* /*Sender*/) {
  Engine_->TogglePause();
  ActionPause->setChecked(Engine_->Paused());
  RenewQueued();  // given again once it runs on
}

void TfrmMain::ActionNextExecute(QObject* /*Sender*/) { Go(Session_.Next()); }

void TfrmMain::ActionPrevExecute(QObject* /*Sender*/) { Go(Session_.Previous()); }

// The engine drops the queued file at a seek; it is given again at the timer's next tick.

void TfrmMain::ActionMinus15Execute(QObject* Sender) {
  if (const auto* action = qobject_cast<QAction*>(Sender)) {
    Engine_->SkipSeconds(static_cast<int64_t>(action->data().toInt()));
    QueueWanted_ = true;
  }
}

void TfrmMain::ScrollBar1Scroll(QObject* /*Sender*/, int /*ScrollCode*/, int& ScrollPos) {
  Engine_->SeekToScrollPos(ScrollPos);
  QueueWanted_ = true;  // once, however many moves a drag makes
}

void TfrmMain::SeekTo(int64_t position) {
  Engine_->SetPosition(position);
  QueueWanted_ = true;
}

void TfrmMain::Timer1Timer(QObject* /*Sender*/) {
  if (!Engine_ || !Engine_->Playing() || Advancing_) return;
  Engine_->UpdatePosition();
  if (Engine_->Ended()) {
    const bool joined = Engine_->AdvancedGapless();
    Engine_->SetEnded(false);
    const QScopedValueRollback<bool> advancing(Advancing_, true);
    if (joined) GoOnToJoinedFile();
    else if (Engine_->Failed()) GoPastUnplayableFile();
    else Go(Session_.Ended());
  }
  if (QueueWanted_ && Engine_->Playing() && !Engine_->Paused()) QueueFollowingFile();
}

void TfrmMain::ActionUseVideoGateExecute(QObject* /*Sender*/) {
  // Qt has already flipped the check mark; the new state is the one to use.
  UseVideoGate(*Engine_, ActionUseVideoGate->isChecked());
  RenewQueued();  // the next file goes to the output now chosen: it cannot join this one
}

// As after the file's end (the next row, or the next folder), and the status bar names the file
// that was passed, until the next start names another; or the stop, when nothing of the list
// could be played. No message box: the user may be away, and the list goes on without them.
void TfrmMain::GoPastUnplayableFile() {
  const std::string failed = Session_.PlayFile();
  const TPlayStep step = Session_.Failed();
  Go(step);
  if (step.Kind != TPlayStepKind::Stop) SetStatusText(failed + ": " + kCannotPlayText);
}

// The engine went on to the queued file by itself, without a gap: the window goes on as after
// a file's end, except that the file it starts already plays. Were that file no longer the one
// the list leads to (the next folder changed on disk since), StartRow opens the right one;
// were there none, nothing of the list plays.
void TfrmMain::GoOnToJoinedFile() {
  Joined_ = Engine_->FileName();
  Go(Session_.Ended());
  if (!Joined_.empty()) Engine_->Stop();
  Joined_.clear();
}

void TfrmMain::Go(const TPlayStep& step) {
  switch (step.Kind) {
    case TPlayStepKind::None:
      break;
    case TPlayStepKind::Row:
      StartRow(step.Index);
      break;
    case TPlayStepKind::Folder:
      // Selecting the entry lists its files with no row selected, so its first file starts. A
      // walk that comes round to the selected entry (the only folder) lists it again: else the
      // file that just played would start once more instead of the first.
      if (step.Index == Session_.FolderIndex()) BuildPlayList();
      else ListViewFolder->setCurrentRow(step.Index);
      ActionPlayExecute(ActionPlay);
      break;
    case TPlayStepKind::Stop:
      Engine_->Stop();
      UpdateCaption("");
      break;
  }
}

void TfrmMain::StartRow(int row) {
  ListViewPlay->selectRow(row);
  const std::string file = Session_.SetPlayIndex(row);
  if (Joined_.empty() || file != Joined_) {
    Engine_->OpenFile(file);
    Engine_->Play();
  }
  Joined_.clear();
  ActionPause->setChecked(Engine_->Paused());
  UpdateCaption(file);
  QueueWanted_ = true;
}

void TfrmMain::QueueFollowingFile() {
  QueueWanted_ = false;
  if (!Engine_->Gapless()) return;
  const std::string next = Session_.NextFile(FilterMask(), PlayableExtensions);
  // A file that cannot join is refused or dropped, and then opened at the end as always.
  if (!next.empty()) Engine_->QueueNext(next);
}

void TfrmMain::RenewQueued() {
  Engine_->ClearQueued();
  QueueWanted_ = true;
}

int TfrmMain::SelectedRow() const {
  const QModelIndexList selected = ListViewPlay->selectionModel()->selectedRows();
  return selected.isEmpty() ? -1 : selected.first().row();
}

// The one place where the status bar, the caption and the tray tip name the file.

void TfrmMain::SetStatusText(const std::string& text) { StatusBar1->showMessage(ForDisplay(text)); }

void TfrmMain::UpdateCaption(const std::string& name) {
  std::string shown = name;
  std::string title;
  if (name.empty()) shown = kStoppedText;
  else if (platform::FileExists(name)) title = ReadTitle(name);
  const std::string status = title.empty() ? shown : shown + " - " + title;
  const std::string tip = title.empty() ? shown : shown + "\r" + title;
  SetStatusText(status);
  Caption_ = kCaptionPrefix + status;
  setWindowTitle(ForDisplay(Caption_));
  TrayIcon1->SetTipHelp(tip);
}

std::string TfrmMain::ReadTitle(const std::string& name) {
  TagReader_->ReadTags(name);
  return TagReader_->GetTagValue("Title");
}
