#include "app/uMainRemote.h"

#include <QPointer>
#include <QTimer>

#include "app/Application.h"
#include "app/uMain.h"
#include "platform/RemoteService.h"

TMainRemote::TMainRemote(TfrmMain& form) {
  QPointer<TfrmMain> window(&form);
  Service_ = std::make_unique<platform::TRemoteService>([window](const std::string& name) {
    const TCommandInfo* info = CommandOfRemoteName(name);
    if (info == nullptr) return false;
    // The reply goes first: a handler that shows a message box must not hold the caller.
    const TCommand command = info->Command;
    QTimer::singleShot(0, window, [window, command] {
      if (window) RunHandler([&] { window->RunRemoteCommand(command); });
    });
    return true;
  });
  Service_->Start();
}

TMainRemote::~TMainRemote() = default;
