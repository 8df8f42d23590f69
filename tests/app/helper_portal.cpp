// A stand-in for the desktop portal's global shortcuts on a private session bus. It answers
// CreateSession and BindShortcuts as the portal does (a Response signal on the request path),
// binds everything it is asked to, and writes one line per shortcut on standard output:
// "bind <id> <preferred trigger> <description>". A line "activate <id>" on standard input emits
// Activated for that shortcut; "count" writes "count <shortcuts bound so far>". Started with
// "--refuse" it answers every BindShortcuts with the response code of a failure; with
// "--bind-none" it answers success and binds nothing, as Debian 12's KDE portal does.

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <iostream>
#include <string>

// Outside any unnamed namespace: Qt D-Bus matches the slot's parameter type by its name.
struct TShortcut {
  QString Id;
  QVariantMap Properties;
};

QDBusArgument& operator<<(QDBusArgument& out, const TShortcut& s) {
  out.beginStructure();
  out << s.Id << s.Properties;
  out.endStructure();
  return out;
}
const QDBusArgument& operator>>(const QDBusArgument& in, TShortcut& s) {
  in.beginStructure();
  in >> s.Id >> s.Properties;
  in.endStructure();
  return in;
}

Q_DECLARE_METATYPE(TShortcut)

namespace {

constexpr const char* kPath = "/org/freedesktop/portal/desktop";
constexpr const char* kInterface = "org.freedesktop.portal.GlobalShortcuts";

class TPortal : public QObject, protected QDBusContext {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.GlobalShortcuts")
  Q_PROPERTY(uint version READ version)

 public:
  explicit TPortal(const QStringList& args)
      : Refuse_(args.contains("--refuse")), BindNone_(args.contains("--bind-none")) {}
  uint version() const { return 1; }

  void Activate(const QString& id) {
    QDBusMessage signal = QDBusMessage::createSignal(kPath, kInterface, "Activated");
    signal << QVariant::fromValue(QDBusObjectPath(Session_)) << id << qulonglong(0)
           << QVariantMap();
    QDBusConnection::sessionBus().send(signal);
  }
  int Bound() const { return Bound_; }

 public Q_SLOTS:
  QDBusObjectPath CreateSession(const QVariantMap& options) {
    Session_ = QString("%1/session/%2/%3")
                   .arg(kPath, Sender(), options.value("session_handle_token").toString());
    Respond(options, {{"session_handle", Session_}});
    return Request(options);
  }

  QDBusObjectPath BindShortcuts(const QDBusObjectPath&, const QList<TShortcut>& list,
                                const QString&, const QVariantMap& options) {
    for (const TShortcut& s : list) {
      std::printf("bind %s %s %s\n", qPrintable(s.Id),
                  qPrintable(s.Properties.value("preferred_trigger").toString()),
                  qPrintable(s.Properties.value("description").toString()));
      ++Bound_;
    }
    std::fflush(stdout);
    const QList<TShortcut> bound = BindNone_ ? QList<TShortcut>() : list;
    Respond(options, {{"shortcuts", QVariant::fromValue(bound)}}, Refuse_ ? 2 : 0);
    return Request(options);
  }

 private:
  QString Sender() const { return message().service().mid(1).replace('.', '_'); }
  QDBusObjectPath Request(const QVariantMap& options) const {
    return QDBusObjectPath(
        QString("%1/request/%2/%3").arg(kPath, Sender(), options.value("handle_token").toString()));
  }
  // After the method's reply, as the portal does.
  void Respond(const QVariantMap& options, const QVariantMap& results, uint code = 0) {
    const QString path = Request(options).path();
    QTimer::singleShot(0, this, [path, results, code] {
      QDBusMessage signal =
          QDBusMessage::createSignal(path, "org.freedesktop.portal.Request", "Response");
      signal << code << results;
      QDBusConnection::sessionBus().send(signal);
    });
  }

  bool Refuse_;
  bool BindNone_;
  QString Session_;
  int Bound_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  qDBusRegisterMetaType<TShortcut>();
  qDBusRegisterMetaType<QList<TShortcut>>();
  TPortal portal(app.arguments());
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.registerObject(kPath, &portal,
                          QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties) ||
      !bus.registerService("org.freedesktop.portal.Desktop")) {
    std::fprintf(stderr, "helper_portal: no session bus or name taken\n");
    return 1;
  }
  QSocketNotifier input(0, QSocketNotifier::Read);
  QObject::connect(&input, &QSocketNotifier::activated, [&] {
    std::string line;
    if (!std::getline(std::cin, line)) return app.quit();
    if (line.rfind("activate ", 0) == 0) portal.Activate(QString::fromStdString(line.substr(9)));
    if (line == "count") std::printf("count %d\n", portal.Bound());
    std::fflush(stdout);
  });
  std::printf("ready\n");
  std::fflush(stdout);
  return app.exec();
}

#include "helper_portal.moc"
