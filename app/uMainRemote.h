#pragma once
// The main window's end of the command-line remote: a command name that arrives over the session
// bus is looked up in the command table and runs the window's handler for it, as the tool bar,
// the menu or a hotkey would. Made after the window and destroyed before it.

#include <memory>

#include "app/Commands.h"

class TfrmMain;
namespace platform {
class TRemoteService;
}

// Runs a command the remotes know (those with a remote name) through the window's handlers.
// "play" starts the selected file or resumes a paused one; "pause" only pauses.
void RunRemoteCommand(TfrmMain& form, TCommand command);

class TMainRemote {
 public:
  // Publishes the remote on the session bus; without one it stays off.
  explicit TMainRemote(TfrmMain& form);
  ~TMainRemote();
  TMainRemote(const TMainRemote&) = delete;
  TMainRemote& operator=(const TMainRemote&) = delete;

 private:
  std::unique_ptr<platform::TRemoteService> Service_;
};
