#include "app/uMain.h"

#include <QAction>

#include "desktop/uDlgFolderSelect.h"
#include "platform/ForegroundWindow.h"
#include "platform/Hotkeys.h"

#include "app/uMainShared.h"

using namespace umain;

// Hotkeys and window commands.

void TfrmMain::ApplicationEvents1Message(platform::TMsg& Msg, bool& /*Handled*/) {
  if (Msg.message != platform::WM_HOTKEY) return;
  switch (Msg.wParam) {
    case 0: ActionPauseExecute(ActionPause); break;
    case 1: ActionPrevExecute(ActionPrev); break;
    case 2: ActionNextExecute(ActionNext); break;
    case 3: ActionNextFolderExecute(ActionNextFolder); break;
    case 4: ActionPrevFolderExecute(ActionPrevFolder); break;
    case 5: ActionFlipVisibleExecute(ActionFlipVisible); break;
    default: break;
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
  RootPath = platform::IncludeTrailingPathDelimiter(dlgFolderSelect->SelectedPath());
  BuildFolderList();
}

void TfrmMain::FormDblClick(QObject* /*Sender*/) {
  if (!ListViewFolder->selectedItems().isEmpty()) BuildFolderList();
}
