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
