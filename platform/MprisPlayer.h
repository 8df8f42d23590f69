#pragma once
// What the desktop's media-player service (MPRIS, TMprisService) asks of the program: a snapshot
// of what plays, and the commands. The program answers on the GUI thread, through the same
// handlers as its tool bar; the service keeps nothing but the last snapshot it announced.

#include <cstdint>
#include <string>

namespace platform {

enum class TMprisStatus {
  Stopped,  // no file loaded, or stopped at its start
  Playing,  // running
  Paused,   // loaded and paused
};

// The loaded file. Text is UTF-8.
struct TMprisTrack {
  std::string Path;        // full path; empty when no file is loaded
  std::string Title;       // empty when the file has none
  std::string Artist;
  std::string Album;
  std::string JacketPath;  // the folder's jacket picture; empty when it has none
  int64_t LengthUs = 0;    // microseconds; 0 while unknown
  bool operator==(const TMprisTrack&) const = default;
};

struct TMprisState {
  TMprisStatus Status = TMprisStatus::Stopped;
  TMprisTrack Track;
  bool CanGoNext = false;
  bool CanGoPrevious = false;
  bool CanPlay = false;
  bool CanPause = false;
  bool CanSeek = false;
  bool operator==(const TMprisState&) const = default;
};

class TMprisPlayer {
 public:
  virtual ~TMprisPlayer() = default;

  virtual TMprisState State() = 0;
  virtual int64_t PositionUs() = 0;

  virtual void Raise() = 0;  // show the window and bring it to the front
  virtual void Quit() = 0;
  virtual void Play() = 0;   // start the selected file when stopped; resume when paused
  virtual void Pause() = 0;  // only while running
  virtual void PlayPause() = 0;
  virtual void Stop() = 0;
  virtual void Next() = 0;
  virtual void Previous() = 0;
  // Absolute, within the loaded file; the service has checked the bounds.
  virtual void SeekToUs(int64_t positionUs) = 0;
};

}  // namespace platform
