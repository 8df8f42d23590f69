#pragma once
// The main window on the desktop's media-player service: TMainMpris answers the service from
// TfrmMain's engine, play session and tag reader, and runs its commands from the command table
// through the window, so a command over the bus does what the tool bar does. Made after the window and
// destroyed before it; everything runs on the GUI thread.

#include <memory>
#include <string>

#include "app/Commands.h"
#include "platform/MprisPlayer.h"

class TfrmMain;
namespace platform {
class TMprisService;
}

class TMainMpris : public platform::TMprisPlayer {
 public:
  // Starts the service; without a session bus it stays off and the window works as before.
  explicit TMainMpris(TfrmMain& form);
  ~TMainMpris() override;
  TMainMpris(const TMainMpris&) = delete;
  TMainMpris& operator=(const TMainMpris&) = delete;

  bool Active() const;

  platform::TMprisState State() override;
  int64_t PositionUs() override;
  void Raise() override;
  void Quit() override;
  void Play() override;
  void Pause() override;
  void PlayPause() override;
  void Stop() override;
  void Next() override;
  void Previous() override;
  void SeekToUs(int64_t positionUs) override;

 private:
  // Tags and jacket of the loaded file; read again only when another file is loaded.
  const platform::TMprisTrack& TrackOf(const std::string& fileName);
  void ConnectAnnouncements();
  void Run(TCommand command);

  TfrmMain& Form_;
  std::unique_ptr<platform::TMprisService> Service_;
  std::string TrackFile_;  // the engine's file name the cached track was read for
  platform::TMprisTrack Track_;
};
