#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include "platform/NetWm.h"

#include <X11/Xatom.h>

namespace platform {

Display* X11Display() {
  const auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  if (app == nullptr || QGuiApplication::platformName() != "xcb") return nullptr;
  const auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
  return x11 ? x11->display() : nullptr;
}

bool ManagerSupports(Display* display, Atom request) {
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
    for (unsigned long i = 0; i < count && !found; ++i) found = atoms[i] == request;
  }
  if (data != nullptr) XFree(data);
  return found;
}

void SendToManager(Display* display, Window window, Atom request, long v0, long v1, long v2) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = request;
  event.xclient.format = 32;
  event.xclient.data.l[0] = v0;
  event.xclient.data.l[1] = v1;
  event.xclient.data.l[2] = v2;
  XSendEvent(display, DefaultRootWindow(display), False,
             SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

}  // namespace platform
