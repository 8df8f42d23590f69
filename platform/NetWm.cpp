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

}  // namespace platform
