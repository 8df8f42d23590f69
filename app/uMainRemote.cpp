#include "app/uMainRemote.h"

#include <QAction>
#include <QPointer>
#include <QTimer>

#include "app/Application.h"
#include "app/uMain.h"
#include "engine/VideoGate1000.h"
#include "platform/RemoteService.h"

void RunRemoteCommand(TfrmMain& form, TCommand command) {
  TVideoGate1000& engine = *form.Engine;
  const bool playing = engine.Playing();
  const bool paused = playing && engine.Paused();
  switch (command) {
    case TCommand::Play:
      if (!playing) form.ActionPlayExecute(form.ActionPlay);
      else if (paused) form.ActionPauseExecute(form.ActionPause);
      break;
    case TCommand::Pause:
      if (playing && !paused) form.ActionPauseExecute(form.ActionPause);
      break;
    case TCommand::PlayPause:
      if (!playing) form.ActionPlayExecute(form.ActionPlay);
      else form.ActionPauseExecute(form.ActionPause);
      break;
    case TCommand::Stop: form.ActionStopExecute(form.ActionStop); break;
    case TCommand::Next: form.ActionNextExecute(form.ActionNext); break;
    case TCommand::Prev: form.ActionPrevExecute(form.ActionPrev); break;
    case TCommand::NextFolder: form.ActionNextFolderExecute(form.ActionNextFolder); break;
    case TCommand::PrevFolder: form.ActionPrevFolderExecute(form.ActionPrevFolder); break;
    case TCommand::Show: form.ActionShowExecute(form.ActionShow); break;
    case TCommand::Hide: form.ActionHideExecute(form.ActionHide); break;
    case TCommand::FlipVisible: form.ActionFlipVisibleExecute(form.ActionFlipVisible); break;
    case TCommand::Exit: form.ActionExitExecute(form.ActionExit); break;
    default: break;
  }
}

TMainRemote::TMainRemote(TfrmMain& form) {
  QPointer<TfrmMain> window(&form);
  Service_ = std::make_unique<platform::TRemoteService>([window](const std::string& name) {
    const TCommandInfo* info = CommandOfRemoteName(name);
    if (info == nullptr) return false;
    // The reply goes first: a handler that shows a message box must not hold the caller.
    const TCommand command = info->Command;
    QTimer::singleShot(0, window, [window, command] {
      if (window) RunHandler([&] { RunRemoteCommand(*window, command); });
    });
    return true;
  });
  Service_->Start();
}

TMainRemote::~TMainRemote() = default;
