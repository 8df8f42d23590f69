#include "platform/MprisService.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>

#include <optional>

#include "platform/MprisAdaptors.h"

namespace platform {
namespace {

constexpr const char* kRootInterface = "org.mpris.MediaPlayer2";
constexpr const char* kPlayerInterface = "org.mpris.MediaPlayer2.Player";

int64_t SaturatingAdd(int64_t a, int64_t b) {
  int64_t sum = 0;
  if (!__builtin_add_overflow(a, b, &sum)) return sum;
  return b > 0 ? INT64_MAX : INT64_MIN;
}

// The player properties that differ between two snapshots, as PropertiesChanged carries them.
// Position is left out: clients poll it.
QVariantMap ChangedProperties(const TMprisState& before, const TMprisState& now) {
  QVariantMap changed;
  if (before.Status != now.Status) changed.insert("PlaybackStatus", MprisStatusText(now.Status));
  if (before.Track != now.Track) changed.insert("Metadata", MprisMetadata(now.Track));
  const std::pair<const char*, bool TMprisState::*> flags[] = {
      {"CanGoNext", &TMprisState::CanGoNext}, {"CanGoPrevious", &TMprisState::CanGoPrevious},
      {"CanPlay", &TMprisState::CanPlay},     {"CanPause", &TMprisState::CanPause},
      {"CanSeek", &TMprisState::CanSeek}};
  for (auto [name, flag] : flags) {
    if (before.*flag != now.*flag) changed.insert(name, now.*flag);
  }
  return changed;
}

}  // namespace

TMprisService::TMprisService(TMprisPlayer& player, QObject* parent)
    : QObject(parent), Player_(player) {
  new TMprisRootAdaptor(this);
  PlayerAdaptor_ = new TMprisPlayerAdaptor(this);
}

TMprisService::~TMprisService() {
  if (!Active_) return;
  QDBusConnection bus = QDBusConnection::sessionBus();
  bus.unregisterService(kMprisServiceName);
  bus.unregisterObject(kMprisObjectPath);
}

bool TMprisService::Start() {
  if (Active_) return true;
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return false;
  if (!bus.registerObject(kMprisObjectPath, this, QDBusConnection::ExportAdaptors)) return false;
  // The name is not fought for: its owner is another instance, and it keeps it.
  if (!bus.registerService(kMprisServiceName)) {
    bus.unregisterObject(kMprisObjectPath);
    return false;
  }
  Announced_ = Player_.State();
  Active_ = true;
  return true;
}

void TMprisService::Refresh() {
  if (!Active_) return;
  const TMprisState now = Player_.State();
  if (now == Announced_) return;
  const QVariantMap changed = ChangedProperties(Announced_, now);
  Announced_ = now;
  if (changed.isEmpty()) return;
  QDBusMessage signal = QDBusMessage::createSignal(
      kMprisObjectPath, "org.freedesktop.DBus.Properties", "PropertiesChanged");
  signal << QString(kPlayerInterface) << changed << QStringList();
  QDBusConnection::sessionBus().send(signal);
}

void TMprisService::AnnounceSeek() {
  if (Active_) AnnounceSeekTo(Player_.PositionUs());
}

void TMprisService::AnnounceSeekTo(int64_t positionUs) {
  if (Active_) emit PlayerAdaptor_->Seeked(positionUs);
}

void TMprisService::Seek(int64_t offsetUs) {
  const TMprisState state = Player_.State();
  if (!state.CanSeek) return;
  int64_t target = SaturatingAdd(Player_.PositionUs(), offsetUs);
  if (target < 0) target = 0;
  // Past the end means the next track.
  if (state.Track.LengthUs > 0 && target > state.Track.LengthUs) {
    Player_.Next();
    Refresh();
    return;
  }
  Player_.SeekToUs(target);
  AnnounceSeekTo(target);
}

void TMprisService::SetPosition(const TMprisTrack& track, int64_t positionUs) {
  if (!Player_.State().CanSeek || positionUs < 0) return;
  if (track.LengthUs > 0 && positionUs > track.LengthUs) return;
  Player_.SeekToUs(positionUs);
  AnnounceSeekTo(positionUs);
}

bool RaiseRunningInstance(int timeoutMs) {
  // Qt D-Bus wants an application object for its connection; a second start has none yet.
  static int argc = 1;
  static char name[] = "orvane";
  static char* argv[] = {name, nullptr};
  std::optional<QCoreApplication> application;
  if (QCoreApplication::instance() == nullptr) application.emplace(argc, argv);
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return false;
  const QDBusMessage call = QDBusMessage::createMethodCall(kMprisServiceName, kMprisObjectPath,
                                                           kRootInterface, "Raise");
  return bus.call(call, QDBus::Block, timeoutMs).type() == QDBusMessage::ReplyMessage;
}

}  // namespace platform
