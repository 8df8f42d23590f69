#pragma once
// The player on the session bus as org.mpris.MediaPlayer2.orvane, the name desktop media keys,
// shell media panels and playerctl look for. Without a session bus, or when another process owns
// the name, the service stays off quietly and the program runs as without it.

#include <QObject>

#include <cstdint>

#include "platform/MprisPlayer.h"

namespace platform {

class TMprisPlayerAdaptor;

inline constexpr const char* kMprisServiceName = "org.mpris.MediaPlayer2.orvane";
inline constexpr const char* kMprisObjectPath = "/org/mpris/MediaPlayer2";

class TMprisService : public QObject {
  Q_OBJECT

 public:
  // The player must outlive the service. Nothing is published before Start.
  explicit TMprisService(TMprisPlayer& player, QObject* parent = nullptr);
  ~TMprisService() override;

  // Publishes the object and takes the bus name; false (and off) without a session bus or when
  // the name is taken.
  bool Start();
  bool Active() const { return Active_; }

  // Announces with PropertiesChanged what differs from the last announced snapshot. Called after
  // every command and on the program's playback timer; does nothing while off.
  void Refresh();
  // Announces Seeked with the current position (after a seek that did not come over the bus).
  void AnnounceSeek();

  // Used by the adaptors: relative and absolute seeks with the interface's rules.
  void Seek(int64_t offsetUs);
  void SetPosition(const TMprisTrack& track, int64_t positionUs);

  TMprisPlayer& Player() { return Player_; }

 private:
  void AnnounceSeekTo(int64_t positionUs);

  TMprisPlayer& Player_;
  TMprisPlayerAdaptor* PlayerAdaptor_ = nullptr;  // owned by this object as its child
  TMprisState Announced_;
  bool Active_ = false;
};

// A second start of the program asks the running one, over the session bus, to show its window.
// True when the running instance answered; false without a bus or without such an instance.
bool RaiseRunningInstance(int timeoutMs);

}  // namespace platform
