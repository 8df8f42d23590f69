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

void RequestActivation(Display* display, Window window, Atom activeWindow) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = activeWindow;
  event.xclient.format = 32;
  event.xclient.data.l[0] = kSourceUserAction;
  event.xclient.data.l[1] = CurrentTime;
  event.xclient.data.l[2] = 0;  // no window of ours is active now
  XSendEvent(display, DefaultRootWindow(display), False,
             SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

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
    RequestActivation(display, id, activeWindow);
  } else {
    // No manager: nobody else stacks or focuses, so the window does it itself.
    XRaiseWindow(display, id);
    XSetInputFocus(display, id, RevertToParent, CurrentTime);
  }
  XFlush(display);
  return true;
}

}  // namespace platform
