#include "platform/PortalShortcuts.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QObject>
#include <QPointer>
#include <QRandomGenerator>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <string>

namespace platform {

std::string X11KeyName(unsigned vk);                      // Hotkeys_x11.cpp
std::unique_ptr<THotKeyBackend> MakeX11HotKeyBackend();  // Hotkeys_x11.cpp

namespace {

constexpr const char* kPortalService = "org.freedesktop.portal.Desktop";
constexpr const char* kPortalPath = "/org/freedesktop/portal/desktop";
constexpr const char* kShortcutsInterface = "org.freedesktop.portal.GlobalShortcuts";
constexpr const char* kRequestInterface = "org.freedesktop.portal.Request";
constexpr int kProbeTimeoutMs = 3000;

// One entry of BindShortcuts' a(sa{sv}) and of its answer.
struct TPortalShortcut {
  QString Id;
  QVariantMap Properties;
};
using TPortalShortcuts = QList<TPortalShortcut>;

QDBusArgument& operator<<(QDBusArgument& out, const TPortalShortcut& shortcut) {
  out.beginStructure();
  out << shortcut.Id << shortcut.Properties;
  out.endStructure();
  return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, TPortalShortcut& shortcut) {
  in.beginStructure();
  in >> shortcut.Id >> shortcut.Properties;
  in.endStructure();
  return in;
}

}  // namespace
}  // namespace platform

Q_DECLARE_METATYPE(platform::TPortalShortcut)

namespace platform {
namespace {

// The trigger in the notation of the desktops' shortcut settings: "LOGO+End".
QString Trigger(unsigned modifiers, unsigned vk) {
  QString text;
  if (modifiers & MOD_CONTROL) text += "CTRL+";
  if (modifiers & MOD_ALT) text += "ALT+";
  if (modifiers & MOD_SHIFT) text += "SHIFT+";
  if (modifiers & MOD_WIN) text += "LOGO+";
  return text + QString::fromStdString(X11KeyName(vk));
}

std::string ResponseText(uint response) {
  return " (response " + std::to_string(response) + ")";
}

QString Token() {
  return QStringLiteral("orvane%1").arg(QRandomGenerator::global()->generate());
}

class TPortalHotKeys : public QObject, public THotKeyBackend {
  Q_OBJECT

 public:
  TPortalHotKeys() : Bus_(QDBusConnection::sessionBus()) {
    qDBusRegisterMetaType<TPortalShortcut>();
    qDBusRegisterMetaType<TPortalShortcuts>();
    Bus_.connect(kPortalService, kPortalPath, kShortcutsInterface, "Activated", this,
                 SLOT(Activated(QDBusMessage)));
    const QString token = Token();
    const QVariantMap options{{"handle_token", token}, {"session_handle_token", Token()}};
    // The answer comes as a signal on a path known before the call: listen first.
    Bus_.connect(kPortalService, RequestPath(token), kRequestInterface, "Response", this,
                 SLOT(SessionCreated(uint, QVariantMap)));
    QDBusMessage call = QDBusMessage::createMethodCall(kPortalService, kPortalPath,
                                                       kShortcutsInterface, "CreateSession");
    call << options;
    Send(call);
  }

  bool Register(QWidget* window, int id, unsigned modifiers, unsigned vk) override {
    if (FellBack_) return Grab(window, id, {window, modifiers, vk});
    Failure_ = "no key of that name";
    if (window == nullptr || X11KeyName(vk).empty()) return false;
    Keys_[id] = {window, modifiers, vk};
    ScheduleBind();
    return true;
  }
  bool Unregister(QWidget* window, int id) override {
    const bool known = Keys_.erase(id) > 0;
    return (X11_ && X11_->Unregister(window, id)) || known;
  }
  std::string LastFailure() const override { return Failure_; }

 private Q_SLOTS:
  void SessionCreated(uint response, const QVariantMap& results) {
    const QVariant handle = results.value("session_handle");
    Session_ = handle.canConvert<QDBusObjectPath>() ? handle.value<QDBusObjectPath>().path()
                                                    : handle.toString();
    if (response != 0 || Session_.isEmpty()) {
      return FallBack("it opened no shortcut session" + ResponseText(response));
    }
    ScheduleBind();
  }

  void Bound(uint response, const QVariantMap& results) {
    if (response != 0) {
      return FallBack(response == 1 ? "the shortcut dialog was cancelled"
                                    : "it bound no shortcut" + ResponseText(response));
    }
    std::set<QString> bound;
    TPortalShortcuts shortcuts;
    results.value("shortcuts").value<QDBusArgument>() >> shortcuts;
    for (const TPortalShortcut& shortcut : shortcuts) bound.insert(shortcut.Id);
    // Debian 12's KDE portal answers success and binds nothing: a refusal all the same.
    if (bound.empty() && !Keys_.empty()) return FallBack("it bound none of them");
    // The desktop left some out (the user's choice, or a key it keeps): its word stands.
    for (const auto& [id, key] : Keys_) {
      if (!bound.count(Name(id))) Report(id, key, "the desktop did not bind it");
    }
  }

  // A call the portal answered with an error: nothing is bound.
  void CallFailed(const QDBusError& error) { FallBack(error.message().toStdString()); }
  void CallAnswered(const QDBusMessage&) {}  // the result follows as Response

  // (o session_handle, s shortcut_id, t timestamp, a{sv} options)
  void Activated(const QDBusMessage& signal) {
    const QList<QVariant> args = signal.arguments();
    if (args.size() < 2 || args[0].value<QDBusObjectPath>().path() != Session_) return;
    const QString name = args[1].toString();
    for (const auto& [id, key] : Keys_) {
      if (Name(id) == name && key.Window) PostHotKey(key.Window, id, key.Modifiers, key.Vk);
    }
  }

 private:
  struct TKey {
    QPointer<QWidget> Window;
    unsigned Modifiers = 0;
    unsigned Vk = 0;
  };

  QString RequestPath(const QString& token) const {
    QString sender = Bus_.baseService().mid(1);
    sender.replace('.', '_');
    return QStringLiteral("%1/request/%2/%3").arg(kPortalPath, sender, token);
  }

  static QString Name(int id) {
    const THotKeyPurpose* purpose = HotKeyPurposeOf(id);
    return purpose ? QString::fromStdString(purpose->Name) : QStringLiteral("hotkey-%1").arg(id);
  }

  void Report(int id, const TKey& key, const std::string& reason) {
    if (!Reported_.insert(id).second) return;
    const THotKeyPurpose* purpose = HotKeyPurposeOf(id);
    const std::string setting = purpose ? purpose->SettingKey : std::to_string(id);
    ReportHotKeyFailure(setting.c_str(), key.Modifiers, key.Vk, reason);
  }

  // A portal that refuses leaves the keys to X11 grabs, which at least work on an X11 desktop
  // and, under Wayland, while a window of the program has focus. Said once (when the keys are
  // grabbed already), then each key that cannot be grabbed either is reported as usual.
  void FallBack(const std::string& reason) {
    if (FellBack_) return;
    FellBack_ = true;
    Session_.clear();  // an Activated that comes all the same must not run a command twice
    X11_ = MakeX11HotKeyBackend();
    std::map<int, std::string> failures;
    for (const auto& [id, key] : Keys_) {
      if (!Grab(key.Window, id, key)) failures[id] = Failure_;
    }
    std::fprintf(stderr, "orvane: the desktop portal refused the global shortcuts: %s; %s\n",
                 reason.c_str(), X11_ ? "X11 key grabs are used instead" : "no hotkey works");
    for (const auto& [id, failure] : failures) Report(id, Keys_[id], failure);
  }

  bool Grab(QWidget* window, int id, const TKey& key) {
    Failure_ = "no X11 display to grab keys on";
    if (!X11_ || window == nullptr) return false;
    if (X11_->Register(window, id, key.Modifiers, key.Vk)) return true;
    Failure_ = X11_->LastFailure();
    return false;
  }

  // The registrations of one pass of the event loop (the settings' six) go in one call.
  void ScheduleBind() {
    if (BindQueued_) return;
    BindQueued_ = true;
    QTimer::singleShot(0, this, [this] {
      BindQueued_ = false;
      Bind();
    });
  }

  void Bind() {
    // Without a session yet, the keys are bound once it comes.
    if (FellBack_ || Session_.isEmpty() || Keys_.empty()) return;
    TPortalShortcuts shortcuts;
    for (const auto& [id, key] : Keys_) {
      const THotKeyPurpose* purpose = HotKeyPurposeOf(id);
      const QString description = purpose ? QString::fromStdString(purpose->Description) : Name(id);
      shortcuts.append({Name(id),
                        {{"description", description},
                         {"preferred_trigger", Trigger(key.Modifiers, key.Vk)}}});
    }
    const QString token = Token();
    Bus_.connect(kPortalService, RequestPath(token), kRequestInterface, "Response", this,
                 SLOT(Bound(uint, QVariantMap)));
    QDBusMessage call = QDBusMessage::createMethodCall(kPortalService, kPortalPath,
                                                       kShortcutsInterface, "BindShortcuts");
    call << QVariant::fromValue(QDBusObjectPath(Session_)) << QVariant::fromValue(shortcuts)
         << QString() << QVariantMap{{"handle_token", token}};
    Send(call);
  }

  void Send(const QDBusMessage& call) {
    if (!Bus_.callWithCallback(call, this, SLOT(CallAnswered(QDBusMessage)),
                               SLOT(CallFailed(QDBusError)))) {
      FallBack("it is not answering");
    }
  }

  QDBusConnection Bus_;
  QString Session_;
  std::map<int, TKey> Keys_;
  bool FellBack_ = false;
  std::unique_ptr<THotKeyBackend> X11_;  // after a refusal, when the display is X11
  std::string Failure_;  // why the last registration failed
  std::set<int> Reported_;
  bool BindQueued_ = false;
};

}  // namespace

std::unique_ptr<THotKeyBackend> MakePortalHotKeyBackend() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return nullptr;
  QDBusMessage probe = QDBusMessage::createMethodCall(
      kPortalService, kPortalPath, "org.freedesktop.DBus.Properties", "Get");
  probe << QString(kShortcutsInterface) << QString("version");
  if (bus.call(probe, QDBus::Block, kProbeTimeoutMs).type() != QDBusMessage::ReplyMessage) {
    return nullptr;
  }
  return std::make_unique<TPortalHotKeys>();
}

}  // namespace platform

#include "PortalShortcuts.moc"
