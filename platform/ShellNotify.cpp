#include "platform/ShellNotify.h"

#include <QApplication>
#include <QCursor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QWidget>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/CodePage.h"

namespace platform {

// ---- hidden message windows ----

class TMessageWindow : public QObject {
 public:
  explicit TMessageWindow(TWndMethod method) : method_(std::move(method)) {}

  LRESULT Dispatch(unsigned msg, WPARAM wParam, LPARAM lParam) {
    TMessage message{msg, wParam, lParam, 0};
    // A copy, so that a procedure that deallocates its own window does not destroy the
    // function object it is running in.
    TWndMethod method = method_;
    ++depth_;
    if (method) method(message);
    --depth_;
    if (doomed_ && depth_ == 0) deleteLater();
    return message.Result;
  }

  bool Busy() const { return depth_ > 0; }
  void Doom() {
    method_ = nullptr;
    doomed_ = true;
  }

 private:
  TWndMethod method_;
  int depth_ = 0;
  bool doomed_ = false;
};

namespace {

// Handles that are alive; a handle leaves the set at DeallocateHWnd, before the object goes.
std::set<HWND>& LiveWindows() {
  static std::set<HWND> windows;
  return windows;
}

}  // namespace

HWND AllocateHWnd(TWndMethod method) {
  HWND window = new TMessageWindow(std::move(method));
  LiveWindows().insert(window);
  return window;
}

void DeallocateHWnd(HWND window) {
  if (!LiveWindows().erase(window)) return;
  if (window->Busy()) {
    window->Doom();  // deleted once its procedure has returned
  } else {
    delete window;
  }
}

bool IsWindow(HWND window) { return window && LiveWindows().count(window) > 0; }

LRESULT DefWindowProc(HWND, unsigned, WPARAM, LPARAM) { return 0; }

LRESULT SendMessage(HWND window, unsigned msg, WPARAM wParam, LPARAM lParam) {
  if (!IsWindow(window)) return 0;
  return window->Dispatch(msg, wParam, lParam);
}

bool PostMessage(HWND window, unsigned msg, WPARAM wParam, LPARAM lParam) {
  if (!IsWindow(window)) return false;
  // The window is the context object: a call queued for a window deleted meanwhile is dropped.
  QMetaObject::invokeMethod(
      window, [window, msg, wParam, lParam] { SendMessage(window, msg, wParam, lParam); },
      Qt::QueuedConnection);
  return true;
}

// ---- the notification area, through QSystemTrayIcon ----

namespace {

// The widget Qt's XEmbed tray icon draws itself in; it is not public API, so it is found by
// the object name Qt gives it.
bool IsXEmbedTrayWidget(QObject* object) {
  return object->isWidgetType() && object->objectName() == QLatin1String("QSystemTrayIconSys");
}

unsigned MouseMessage(QEvent::Type type, Qt::MouseButton button) {
  if (type == QEvent::MouseMove) return WM_MOUSEMOVE;
  int offset;
  switch (type) {
    case QEvent::MouseButtonPress: offset = 0; break;
    case QEvent::MouseButtonRelease: offset = 1; break;
    case QEvent::MouseButtonDblClick: offset = 2; break;
    default: return 0;
  }
  switch (button) {
    case Qt::LeftButton: return WM_LBUTTONDOWN + offset;
    case Qt::RightButton: return WM_RBUTTONDOWN + offset;
    case Qt::MiddleButton: return WM_MBUTTONDOWN + offset;
    default: return 0;
  }
}

// A tip in the ANSI code page as the desktop shows it; a carriage return breaks the line.
QString TipText(const std::string& tip) {
  QString text = QString::fromStdString(AnsiToUtf8(tip));
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

// What an icon without a picture shows, so that it still has a place to click: the
// application's icon, or a plain round badge when the application has none.
QIcon StandInIcon() {
  QIcon icon = QApplication::windowIcon();
  if (!icon.isNull()) return icon;
  QPixmap pixmap(22, 22);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setBrush(QColor(0x2e, 0x6d, 0xb4));
  painter.setPen(Qt::NoPen);
  painter.drawEllipse(1, 1, 20, 20);
  painter.setBrush(Qt::white);
  const QPointF play[] = {{8, 6}, {8, 16}, {16.5, 11}};
  painter.drawPolygon(play, 3);
  return QIcon(pixmap);
}

class QtShellTray : public QObject {
 public:
  bool Notify(uint32_t message, const NOTIFYICONDATA& data) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return false;
    Entry* entry = Find(data.hWnd, data.uID);
    switch (message) {
      case NIM_ADD:
        if (entry || !data.hWnd) return false;
        Add(data);
        return true;
      case NIM_MODIFY:
        if (!entry) return false;
        Apply(*entry, data, false);
        return true;
      case NIM_DELETE:
        if (!entry) return false;
        Remove(entry);
        return true;
      default:
        return false;
    }
  }

 protected:
  // Under X11 with an XEmbed tray the icon is a window of this process, so its presses,
  // releases, double-clicks and moves are seen here as they happen.
  bool eventFilter(QObject* watched, QEvent* event) override {
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease &&
        type != QEvent::MouseButtonDblClick && type != QEvent::MouseMove)
      return false;
    if (!IsXEmbedTrayWidget(watched)) return false;
    const unsigned mouse = MouseMessage(type, static_cast<QMouseEvent*>(event)->button());
    if (!mouse) return false;
    if (Entry* entry = EntryOfWidget(static_cast<QWidget*>(watched))) {
      Post(*entry, mouse);
    } else if (type == QEvent::MouseButtonPress) {
      // Several icons and this widget not matched yet: the press makes Qt emit activated()
      // on the owning icon while this event is delivered, which settles the match.
      pendingWidget_ = static_cast<QWidget*>(watched);
      pendingMouse_ = mouse;
    }
    return false;  // Qt's own handling goes on (it emits activated())
  }

 private:
  struct Entry {
    HWND window = nullptr;
    uint32_t id = 0;
    uint32_t callbackMessage = 0;
    bool reportsMouse = false;
    std::unique_ptr<QSystemTrayIcon> icon;
    QPointer<QWidget> xembedWidget;  // set once the icon's own window is known
  };

  Entry* Find(HWND window, uint32_t id) {
    for (auto& entry : entries_)
      if (entry->window == window && entry->id == id) return entry.get();
    return nullptr;
  }

  void Add(const NOTIFYICONDATA& data) {
    if (!filterInstalled_) {
      qApp->installEventFilter(this);
      filterInstalled_ = true;
      AskForStatusNotifierHost();
    }
    auto entry = std::make_unique<Entry>();
    entry->window = data.hWnd;
    entry->id = data.uID;
    entry->icon = std::make_unique<QSystemTrayIcon>();
    Entry* raw = entry.get();
    QObject::connect(entry->icon.get(), &QSystemTrayIcon::activated, this,
                     [this, raw](QSystemTrayIcon::ActivationReason reason) {
                       Activated(*raw, reason);
                     });
    entries_.push_back(std::move(entry));
    Apply(*raw, data, true);
    // Without a notification area Qt keeps the icon and shows it when one starts.
    raw->icon->show();
  }

  // Windows semantics: an add takes every field (a missing picture shows the stand-in), a
  // modify only the fields that uFlags marks valid.
  void Apply(Entry& entry, const NOTIFYICONDATA& data, bool adding) {
    if (data.uFlags & NIF_MESSAGE) {
      entry.reportsMouse = true;
      entry.callbackMessage = data.uCallbackMessage;
    } else if (adding) {
      entry.reportsMouse = false;
    }
    if (data.uFlags & NIF_ICON || adding) {
      const bool hasPicture = (data.uFlags & NIF_ICON) && !data.hIcon.isNull();
      entry.icon->setIcon(hasPicture ? data.hIcon : StandInIcon());
    }
    if (data.uFlags & NIF_TIP || adding)
      entry.icon->setToolTip(data.uFlags & NIF_TIP ? TipText(data.szTip) : QString());
  }

  void Remove(Entry* entry) {
    entry->icon->hide();
    if (pendingWidget_ && pendingWidget_ == entry->xembedWidget) pendingWidget_ = nullptr;
    entries_.erase(std::find_if(entries_.begin(), entries_.end(),
                                [entry](const auto& e) { return e.get() == entry; }));
  }

  // Whether the desktop's tray is a status notifier host, asked as Qt asks it when it chooses
  // between such a host and an XEmbed tray: the watcher's IsStatusNotifierHostRegistered. The
  // answer comes long before a click; until then, and without a bus, there is no host.
  void AskForStatusNotifierHost() {
    QDBusMessage get = QDBusMessage::createMethodCall(
        "org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher",
        "org.freedesktop.DBus.Properties", "Get");
    get << QString("org.kde.StatusNotifierWatcher") << QString("IsStatusNotifierHostRegistered");
    auto* call = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(get), this);
    QObject::connect(call, &QDBusPendingCallWatcher::finished, this,
                     [this](QDBusPendingCallWatcher* answer) {
                       const QDBusPendingReply<QDBusVariant> reply = *answer;
                       statusNotifierHost_ = reply.isValid() && reply.value().variant().toBool();
                       answer->deleteLater();
                     });
  }

  Entry* EntryOfWidget(QWidget* widget) {
    for (auto& entry : entries_)
      if (entry->xembedWidget == widget) return entry.get();
    // With one icon there is nothing to tell apart.
    if (entries_.size() == 1 && !entries_.front()->xembedWidget) {
      entries_.front()->xembedWidget = widget;
      return entries_.front().get();
    }
    return nullptr;
  }

  void Activated(Entry& entry, QSystemTrayIcon::ActivationReason reason) {
    if (pendingWidget_) {
      entry.xembedWidget = pendingWidget_;
      pendingWidget_ = nullptr;
      Post(entry, pendingMouse_);
      return;
    }
    if (entry.xembedWidget) return;  // the event filter reports this icon's mouse exactly
    // A StatusNotifierItem reports clicks only: each becomes a press and a release. A host
    // knows no double-click, so its activation (the left click) also stands for the icon's
    // default action, which an XEmbed tray reaches by a double-click.
    switch (reason) {
      case QSystemTrayIcon::Trigger:
        PostClick(entry, WM_LBUTTONDOWN);
        if (statusNotifierHost_) PostDoubleClick(entry);
        break;
      case QSystemTrayIcon::DoubleClick: PostDoubleClick(entry); break;
      case QSystemTrayIcon::Context: PostClick(entry, WM_RBUTTONDOWN); break;
      case QSystemTrayIcon::MiddleClick: PostClick(entry, WM_MBUTTONDOWN); break;
      default: break;
    }
  }

  void PostClick(Entry& entry, unsigned down) {
    Post(entry, down);
    Post(entry, down + 1);  // the matching button-up message
  }

  // What follows a press and release when the button goes down again at once.
  void PostDoubleClick(Entry& entry) {
    Post(entry, WM_LBUTTONDBLCLK);
    Post(entry, WM_LBUTTONUP);
  }

  void Post(Entry& entry, unsigned mouse) {
    if (entry.reportsMouse)
      PostMessage(entry.window, entry.callbackMessage, entry.id, static_cast<LPARAM>(mouse));
  }

  std::vector<std::unique_ptr<Entry>> entries_;
  bool filterInstalled_ = false;
  bool statusNotifierHost_ = false;
  QPointer<QWidget> pendingWidget_;
  unsigned pendingMouse_ = 0;
};

// The real service lives as long as the application object: its tray icons must go before it.
bool RealShellNotify(uint32_t message, const NOTIFYICONDATA& data) {
  static QPointer<QtShellTray> tray;
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return false;
  if (!tray) {
    tray = new QtShellTray;
    tray->setParent(app);
  }
  return tray->Notify(message, data);
}

TShellNotifyService& CurrentService() {
  static TShellNotifyService service;
  return service;
}

}  // namespace

bool Shell_NotifyIcon(uint32_t message, const NOTIFYICONDATA& data) {
  const TShellNotifyService& service = CurrentService();
  return service ? service(message, data) : RealShellNotify(message, data);
}

TShellNotifyService SetShellNotifyService(TShellNotifyService service) {
  TShellNotifyService previous = std::move(CurrentService());
  CurrentService() = std::move(service);
  return previous;
}

QPoint GetCursorPos() { return QCursor::pos(); }

}  // namespace platform
