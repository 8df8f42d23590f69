#pragma once
// The command-line remote on the session bus. The running player answers one method,
// Command(s name), at /org/orvane/Remote under its media-player bus name; a start of the program
// with a command option sends the command's name there and ends.

#include <QDBusContext>
#include <QObject>

#include <functional>
#include <string>

namespace platform {

inline constexpr const char* kRemoteObjectPath = "/org/orvane/Remote";

class TRemoteService : public QObject, protected QDBusContext {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.orvane.Remote1")

 public:
  // Takes a command's name; false when it names no command. Runs on the GUI thread.
  using THandler = std::function<bool(const std::string& name)>;

  explicit TRemoteService(THandler handler, QObject* parent = nullptr);
  ~TRemoteService() override;

  // Publishes the object on the session bus; false (and off) without one. The bus name is the
  // media-player service's, taken by it.
  bool Start();

  // The bus method.
 public Q_SLOTS:
  Q_SCRIPTABLE void Command(const QString& name);

 private:
  THandler Handler_;
  bool Active_ = false;
};

enum class TRemoteResult {
  Sent,      // the running player took the command
  NoPlayer,  // no session bus, or no player on it
  Refused,   // the player answered with an error (an unknown command, a player too old)
};

// Sends the command to the running player; error receives the reason of anything but Sent.
TRemoteResult SendRemoteCommand(const std::string& name, std::string* error);

}  // namespace platform
