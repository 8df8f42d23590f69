#include "platform/MprisAdaptors.h"

#include <QUrl>

#include "platform/MprisService.h"

namespace platform {

QDBusObjectPath MprisTrackId(const TMprisTrack& track) {
  if (track.Path.empty()) return QDBusObjectPath("/org/mpris/MediaPlayer2/TrackList/NoTrack");
  // FNV-1a over the path's bytes: object paths allow only [A-Za-z0-9_] in a segment.
  uint64_t hash = 14695981039346656037ull;
  for (unsigned char byte : track.Path) hash = (hash ^ byte) * 1099511628211ull;
  return QDBusObjectPath(QStringLiteral("/org/orvane/track/%1").arg(hash, 16, 16, QChar('0')));
}

QVariantMap MprisMetadata(const TMprisTrack& track) {
  QVariantMap map;
  if (track.Path.empty()) return map;
  map.insert("mpris:trackid", QVariant::fromValue(MprisTrackId(track)));
  const QString path = QString::fromStdString(track.Path);
  map.insert("xesam:url", QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded));
  // A file without a title tag goes by its name, as a media panel would show nothing otherwise.
  map.insert("xesam:title",
             track.Title.empty() ? path.section('/', -1) : QString::fromStdString(track.Title));
  if (!track.Artist.empty()) {
    map.insert("xesam:artist", QStringList{QString::fromStdString(track.Artist)});
  }
  if (!track.Album.empty()) map.insert("xesam:album", QString::fromStdString(track.Album));
  if (track.LengthUs > 0) map.insert("mpris:length", qlonglong(track.LengthUs));
  if (!track.JacketPath.empty()) {
    map.insert("mpris:artUrl", QUrl::fromLocalFile(QString::fromStdString(track.JacketPath))
                                   .toString(QUrl::FullyEncoded));
  }
  return map;
}

QString MprisStatusText(TMprisStatus status) {
  switch (status) {
    case TMprisStatus::Playing: return QStringLiteral("Playing");
    case TMprisStatus::Paused: return QStringLiteral("Paused");
    case TMprisStatus::Stopped: break;
  }
  return QStringLiteral("Stopped");
}

// Root interface.

TMprisRootAdaptor::TMprisRootAdaptor(TMprisService* service)
    : QDBusAbstractAdaptor(service), Service_(service) {}

void TMprisRootAdaptor::Raise() { Service_->Player().Raise(); }

void TMprisRootAdaptor::Quit() { Service_->Player().Quit(); }

// Player interface. Every command announces its outcome at once rather than at the next tick.

TMprisPlayerAdaptor::TMprisPlayerAdaptor(TMprisService* service)
    : QDBusAbstractAdaptor(service), Service_(service) {}

TMprisState TMprisPlayerAdaptor::State() const { return Service_->Player().State(); }

QString TMprisPlayerAdaptor::PlaybackStatus() const { return MprisStatusText(State().Status); }
QVariantMap TMprisPlayerAdaptor::Metadata() const { return MprisMetadata(State().Track); }
qlonglong TMprisPlayerAdaptor::Position() const { return Service_->Player().PositionUs(); }
bool TMprisPlayerAdaptor::CanGoNext() const { return State().CanGoNext; }
bool TMprisPlayerAdaptor::CanGoPrevious() const { return State().CanGoPrevious; }
bool TMprisPlayerAdaptor::CanPlay() const { return State().CanPlay; }
bool TMprisPlayerAdaptor::CanPause() const { return State().CanPause; }
bool TMprisPlayerAdaptor::CanSeek() const { return State().CanSeek; }

void TMprisPlayerAdaptor::Command(void (TMprisPlayer::*command)()) {
  (Service_->Player().*command)();
  Service_->Refresh();
}

void TMprisPlayerAdaptor::Next() { Command(&TMprisPlayer::Next); }
void TMprisPlayerAdaptor::Previous() { Command(&TMprisPlayer::Previous); }
void TMprisPlayerAdaptor::Pause() { Command(&TMprisPlayer::Pause); }
void TMprisPlayerAdaptor::PlayPause() { Command(&TMprisPlayer::PlayPause); }
void TMprisPlayerAdaptor::Stop() { Command(&TMprisPlayer::Stop); }
void TMprisPlayerAdaptor::Play() { Command(&TMprisPlayer::Play); }

void TMprisPlayerAdaptor::Seek(qlonglong Offset) { Service_->Seek(Offset); }

void TMprisPlayerAdaptor::SetPosition(const QDBusObjectPath& TrackId, qlonglong Position) {
  const TMprisTrack track = State().Track;
  // A position meant for another track (one that ended meanwhile) is dropped.
  if (TrackId != MprisTrackId(track)) return;
  Service_->SetPosition(track, Position);
}

}  // namespace platform
