#include "app/uMain.h"

#include <QAction>

#include "desktop/uDlgFolderSelect.h"
#include "engine/VideoGate1000.h"
#include "platform/ForegroundWindow.h"
#include "platform/Hotkeys.h"

#include "app/uMainShared.h"

using namespace umain;

// Hotkeys and window commands.

void TfrmMain::ApplicationEvents1Message(platform::TMsg& Msg, bool& /*Handled*/) {
  if (Msg.message != platform::WM_HOTKEY || Msg.wParam >= static_cast<uintptr_t>(kHotkeyCount)) {
    return;
  }
  if (const TCommandInfo* info = CommandOfHotkey(static_cast<int>(Msg.wParam))) {
    RunCommand(info->Command);
  }
}

void TfrmMain::RunCommand(TCommand command) {
  if (command == TCommand::Show) {
    ActionShowExecute(ActionShow);
    return;
  }
  // The action's own run: a checkable action changes its mark before its handler reads it.
  if (QAction* action = Action(command)) action->trigger();
}

void TfrmMain::RunRemoteCommand(TCommand command) {
  TVideoGate1000& engine = *Engine_;
  switch (command) {
    case TCommand::Play:
      if (!engine.Playing()) RunCommand(TCommand::Play);
      else if (engine.Paused()) RunCommand(TCommand::Pause);
      break;
    case TCommand::Pause:
      if (engine.Playing() && !engine.Paused()) RunCommand(TCommand::Pause);
      break;
    case TCommand::PlayPause:
      RunCommand(engine.Playing() ? TCommand::Pause : TCommand::Play);
      break;
    case TCommand::Show:
      ActionShowExecute(ActionShow);
      // A user who asks for the window from the desktop wants it in front, also when minimised.
      setWindowState(windowState() & ~Qt::WindowMinimized);
      platform::SetForegroundWindow(this);  // a refusal is ignored
      break;
    default:
      RunCommand(command);
      break;
  }
}

void TfrmMain::ActionShowExecute(QObject* /*Sender*/) {
  show();
  raise();
}

void TfrmMain::ActionHideExecute(QObject* /*Sender*/) { hide(); }

void TfrmMain::ActionFlipVisibleExecute(QObject* /*Sender*/) {
  setVisible(!isVisible());
  if (isVisible()) platform::SetForegroundWindow(this);  // a refusal is ignored
}

void TfrmMain::TrayIcon1DblClick(QObject* /*Sender*/) { ActionFlipVisibleExecute(ActionFlipVisible); }

void TfrmMain::ActionExitExecute(QObject* /*Sender*/) { QCoreApplication::quit(); }

void TfrmMain::ActionSelectPathExecute(QObject* /*Sender*/) {
  if (dlgFolderSelect == nullptr || dlgFolderSelect->exec() != QDialog::Accepted) return;
  Session_.SetRootPath(dlgFolderSelect->SelectedPath());
  BuildFolderList();
}

void TfrmMain::FormDblClick(QObject* /*Sender*/) {
  if (Session_.FolderIndex() >= 0) BuildFolderList();
}
