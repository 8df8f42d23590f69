#include "platform/ForegroundWindow.h"

#include <QApplication>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>

// Xlib's macros clash with Qt's names: its headers come after Qt's.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace platform {
namespace {

// Source indication of the request: 2 is "a pager or other direct user action". The window comes
// forward because the user asked for it (a hotkey, the tray icon), and managers that prevent focus
// stealing honour this source and not the application's own (1).
constexpr long kSourceUserAction = 2;

Display* X11Display() {
  const auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  if (app == nullptr || QGuiApplication::platformName() != "xcb") return nullptr;
  const auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
  return x11 ? x11->display() : nullptr;
}

// Whether a window manager runs that takes activation requests: it lists the atom in
// _NET_SUPPORTED on the root window.
bool ManagerTakesActivation(Display* display, Atom activeWindow) {
  const Atom supported = XInternAtom(display, "_NET_SUPPORTED", False);
  Atom type = None;
  int format = 0;
  unsigned long count = 0, remaining = 0;
  unsigned char* data = nullptr;
  const int status = XGetWindowProperty(display, DefaultRootWindow(display), supported, 0, 4096,
                                        False, XA_ATOM, &type, &format, &count, &remaining, &data);
  bool found = false;
  if (status == Success && data != nullptr && type == XA_ATOM && format == 32) {
    const auto* atoms = reinterpret_cast<const Atom*>(data);
    for (unsigned long i = 0; i < count && !found; ++i) found = atoms[i] == activeWindow;
  }
  if (data != nullptr) XFree(data);
  return found;
}

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
  if (ManagerTakesActivation(display, activeWindow)) {
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
