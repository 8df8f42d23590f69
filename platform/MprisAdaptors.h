#pragma once
// The two D-Bus interfaces of the media-player object (/org/mpris/MediaPlayer2): the root
// interface (identity, Raise, Quit) and the player interface (commands, status, metadata).
// Qt D-Bus exports their public slots as methods and their properties through
// org.freedesktop.DBus.Properties; calls arrive on the GUI thread, from its event loop.

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QStringList>
#include <QVariantMap>

#include "platform/MprisPlayer.h"

namespace platform {

class TMprisService;

// The track's id: an object path made from its file path, so the same file keeps its id and
// another file gets another one. A path for "no track" when nothing is loaded.
QDBusObjectPath MprisTrackId(const TMprisTrack& track);
// The Metadata property (a{sv}); empty when nothing is loaded.
QVariantMap MprisMetadata(const TMprisTrack& track);
QString MprisStatusText(TMprisStatus status);

class TMprisRootAdaptor : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
  Q_PROPERTY(bool CanQuit READ CanQuit)
  Q_PROPERTY(bool CanRaise READ CanRaise)
  Q_PROPERTY(bool HasTrackList READ HasTrackList)
  Q_PROPERTY(QString Identity READ Identity)
  Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
  Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
  Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)

 public:
  explicit TMprisRootAdaptor(TMprisService* service);

  bool CanQuit() const { return true; }
  bool CanRaise() const { return true; }
  bool HasTrackList() const { return false; }
  QString Identity() const { return QStringLiteral("Orvane"); }
  QString DesktopEntry() const { return QStringLiteral("orvane"); }
  // Empty: the player opens no URI it is handed, it plays its own folders.
  QStringList SupportedUriSchemes() const { return {}; }
  QStringList SupportedMimeTypes() const { return {}; }

 public slots:
  void Raise();
  void Quit();

 private:
  TMprisService* Service_;
};

class TMprisPlayerAdaptor : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
  Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
  Q_PROPERTY(double Rate READ Rate)
  Q_PROPERTY(double MinimumRate READ Rate)
  Q_PROPERTY(double MaximumRate READ Rate)
  Q_PROPERTY(QVariantMap Metadata READ Metadata)
  Q_PROPERTY(qlonglong Position READ Position)
  Q_PROPERTY(bool CanGoNext READ CanGoNext)
  Q_PROPERTY(bool CanGoPrevious READ CanGoPrevious)
  Q_PROPERTY(bool CanPlay READ CanPlay)
  Q_PROPERTY(bool CanPause READ CanPause)
  Q_PROPERTY(bool CanSeek READ CanSeek)
  Q_PROPERTY(bool CanControl READ CanControl)

 public:
  explicit TMprisPlayerAdaptor(TMprisService* service);

  QString PlaybackStatus() const;
  double Rate() const { return 1.0; }  // the engine plays at normal speed only
  QVariantMap Metadata() const;
  qlonglong Position() const;
  bool CanGoNext() const;
  bool CanGoPrevious() const;
  bool CanPlay() const;
  bool CanPause() const;
  bool CanSeek() const;
  bool CanControl() const { return true; }

 public slots:
  void Next();
  void Previous();
  void Pause();
  void PlayPause();
  void Stop();
  void Play();
  void Seek(qlonglong Offset);
  void SetPosition(const QDBusObjectPath& TrackId, qlonglong Position);

 signals:
  void Seeked(qlonglong Position);

 private:
  TMprisState State() const;
  // Runs a command of the player, then announces what it changed.
  void Command(void (TMprisPlayer::*command)());

  TMprisService* Service_;
};

}  // namespace platform
