// A stand-in for a desktop's status notifier tray on a private session bus: the watcher, with a
// host registered, as KDE Plasma, GNOME's AppIndicator extension and Xfce's plug-in run it. It
// writes "ready" once it owns the watcher's name and "item <service> <path>" for each item that
// registers. A line "activate" on standard input calls the last item's Activate, as the host does
// on a left click; "menu" calls its ContextMenu, as on a right click. Each call answers
// "called <method>" or "failed <method> <error>".

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusError>
#include <QDBusMessage>
#include <QSocketNotifier>
#include <QStringList>

#include <cstdio>
#include <iostream>
#include <string>

namespace {

class TWatcher : public QObject, protected QDBusContext {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
  Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
  Q_PROPERTY(int ProtocolVersion READ protocolVersion)
  Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)

 public:
  bool hostRegistered() const { return true; }
  int protocolVersion() const { return 0; }
  QStringList items() const { return Items_; }

  // Calls a method of the item registered last, with a position on the screen.
  void Call(const char* method) {
    if (Service_.isEmpty()) return Answer("failed", method, "no item");
    QDBusMessage call =
        QDBusMessage::createMethodCall(Service_, Path_, "org.kde.StatusNotifierItem", method);
    call << 10 << 10;
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 10000);
    if (reply.type() == QDBusMessage::ErrorMessage) {
      return Answer("failed", method, reply.errorMessage());
    }
    Answer("called", method, {});
  }

 public Q_SLOTS:
  // The item names its bus name, or only its object path on the caller's own connection.
  void RegisterStatusNotifierItem(const QString& item) {
    const bool path = item.startsWith('/');
    Service_ = path ? message().service() : item;
    Path_ = path ? item : QStringLiteral("/StatusNotifierItem");
    Items_.append(Service_ + Path_);
    std::printf("item %s %s\n", qPrintable(Service_), qPrintable(Path_));
    std::fflush(stdout);
    emit StatusNotifierItemRegistered(Service_ + Path_);
  }
  void RegisterStatusNotifierHost(const QString&) {}

 Q_SIGNALS:
  void StatusNotifierItemRegistered(const QString& item);
  void StatusNotifierHostRegistered();

 private:
  static void Answer(const char* outcome, const char* method, const QString& error) {
    std::printf("%s %s%s%s\n", outcome, method, error.isEmpty() ? "" : " ", qPrintable(error));
    std::fflush(stdout);
  }

  QString Service_;
  QString Path_;
  QStringList Items_;
};

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  TWatcher watcher;
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.registerObject("/StatusNotifierWatcher", &watcher,
                          QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                              QDBusConnection::ExportAllProperties) ||
      !bus.registerService("org.kde.StatusNotifierWatcher")) {
    std::fprintf(stderr, "helper_status_notifier: no session bus or name taken\n");
    return 1;
  }
  QSocketNotifier input(0, QSocketNotifier::Read);
  QObject::connect(&input, &QSocketNotifier::activated, [&] {
    std::string line;
    if (!std::getline(std::cin, line)) return app.quit();
    if (line == "activate") watcher.Call("Activate");
    if (line == "menu") watcher.Call("ContextMenu");
  });
  std::printf("ready\n");
  std::fflush(stdout);
  return app.exec();
}

#include "helper_status_notifier.moc"
