#include "platform/RemoteService.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>

#include <optional>

#include "platform/MprisService.h"

namespace platform {
namespace {

constexpr const char* kRemoteInterface = "org.orvane.Remote1";
// Long enough for a player busy reading a large folder; a command needs no more than a reply.
constexpr int kReplyTimeoutMs = 10000;

}  // namespace

TRemoteService::TRemoteService(THandler handler, QObject* parent)
    : QObject(parent), Handler_(std::move(handler)) {}

TRemoteService::~TRemoteService() {
  if (Active_) QDBusConnection::sessionBus().unregisterObject(kRemoteObjectPath);
}

bool TRemoteService::Start() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (Active_ || !bus.isConnected()) return Active_;
  Active_ = bus.registerObject(kRemoteObjectPath, this, QDBusConnection::ExportScriptableSlots);
  return Active_;
}

void TRemoteService::Command(const QString& name) {
  if (!Handler_ || !Handler_(name.toStdString())) {
    sendErrorReply(QDBusError::InvalidArgs, "no such command: " + name);
  }
}

TRemoteResult SendRemoteCommand(const std::string& name, std::string* error) {
  // Qt D-Bus wants an application object for its connection; a remote start has none.
  static int argc = 1;
  static char program[] = "orvane";
  static char* argv[] = {program, nullptr};
  std::optional<QCoreApplication> application;
  if (QCoreApplication::instance() == nullptr) application.emplace(argc, argv);
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    *error = "no session bus (DBUS_SESSION_BUS_ADDRESS)";
    return TRemoteResult::NoPlayer;
  }
  QDBusMessage call = QDBusMessage::createMethodCall(kMprisServiceName, kRemoteObjectPath,
                                                     kRemoteInterface, "Command");
  call << QString::fromStdString(name);
  call.setAutoStartService(false);
  const QDBusMessage reply = bus.call(call, QDBus::Block, kReplyTimeoutMs);
  if (reply.type() == QDBusMessage::ReplyMessage) return TRemoteResult::Sent;
  const QString type = reply.errorName();
  *error = reply.errorMessage().toStdString();
  if (type == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
      type == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner")) {
    *error = "no player is running";
    return TRemoteResult::NoPlayer;
  }
  return TRemoteResult::Refused;
}

}  // namespace platform
