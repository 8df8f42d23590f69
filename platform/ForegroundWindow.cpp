#include "platform/ForegroundWindow.h"

#include <QApplication>
#include <QWidget>

#include "platform/NetWm.h"

namespace platform {
namespace {

// Source indication of the request: 2 is "a pager or other direct user action". The window comes
// forward because the user asked for it (a hotkey, the tray icon), and managers that prevent focus
// stealing honour this source and not the application's own (1).
constexpr long kSourceUserAction = 2;

// An application window: not a menu, a tool tip or a tray icon's own window (Qt's XEmbed
// tray icon draws in a widget of this name).
bool IsApplicationWindow(const QWidget* top) {
  const Qt::WindowType type = top->windowType();
  return top->isVisible() && top->objectName() != QLatin1String("QSystemTrayIconSys") &&
         (type == Qt::Window || type == Qt::Dialog);
}

QWidget* WindowToActivate(QWidget* window) {
  if (window != nullptr && window->isVisible()) return window->window();
  if (QWidget* active = QApplication::activeWindow()) return active;
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (IsApplicationWindow(top)) return top;
  }
  return nullptr;
}

}  // namespace

bool SetForegroundWindow(QWidget* requested) {
  QWidget* window = WindowToActivate(requested);
  if (window == nullptr) return false;
  Display* display = X11Display();
  if (display == nullptr) {
    window->raise();
    window->activateWindow();
    return true;
  }
  const Window id = static_cast<Window>(window->winId());
  const Atom activeWindow = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
  if (ManagerSupports(display, activeWindow)) {
    // No window of ours is active now: the third value is none.
    SendToManager(display, id, activeWindow, kSourceUserAction, CurrentTime, 0);
  } else {
    // No manager: nobody else stacks or focuses, so the window does it itself.
    XRaiseWindow(display, id);
    XSetInputFocus(display, id, RevertToParent, CurrentTime);
  }
  XFlush(display);
  return true;
}

}  // namespace platform
