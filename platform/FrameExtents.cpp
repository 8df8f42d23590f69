#include "platform/FrameExtents.h"

#include <QWidget>

#include <algorithm>
#include <chrono>
#include <optional>
#include <thread>

#include "platform/NetWm.h"

#include <X11/Xatom.h>

namespace platform {
namespace {

// How long a manager that takes the request may take to answer it, and how often we look.
constexpr int kAnswerWaitMs = 1000;
constexpr int kAnswerPollMs = 10;
// The thickest frame side taken from the manager.
constexpr long kMaxSide = 4096;

QMargins QtFrameMargins(const QWidget* window) {
  const QRect inner = window->geometry();
  const QRect outer = window->frameGeometry();
  return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
          outer.bottom() - inner.bottom()};
}

// The window's _NET_FRAME_EXTENTS (left, right, top, bottom), if the manager has set it.
std::optional<QMargins> StatedExtents(Display* display, Window window, Atom extents) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, remaining = 0;
  unsigned char* data = nullptr;
  const int status = XGetWindowProperty(display, window, extents, 0, 4, False, XA_CARDINAL, &type,
                                        &format, &count, &remaining, &data);
  std::optional<QMargins> result;
  if (status == Success && data != nullptr && type == XA_CARDINAL && format == 32 && count == 4) {
    // Format 32 comes as longs. A frame is never thicker than a screen: a value beyond that is
    // cut, so that no rectangle sum can overflow.
    const auto* v = reinterpret_cast<const long*>(data);
    const auto side = [&](int i) { return static_cast<int>(std::clamp(v[i], 0L, kMaxSide)); };
    result = QMargins(side(0), side(2), side(1), side(3));
  }
  if (data != nullptr) XFree(data);
  return result;
}

}  // namespace

QMargins FrameExtents(const QWidget* window) {
  Display* display = X11Display();
  const auto id = static_cast<Window>(window->internalWinId());
  if (display == nullptr || id == 0) return QtFrameMargins(window);
  const Atom extents = XInternAtom(display, "_NET_FRAME_EXTENTS", False);
  return StatedExtents(display, id, extents).value_or(QtFrameMargins(window));
}

QMargins ExpectedFrameExtents(const QWidget* window) {
  Display* display = X11Display();
  const auto id = static_cast<Window>(window->internalWinId());
  if (display == nullptr || id == 0) return QtFrameMargins(window);
  const Atom extents = XInternAtom(display, "_NET_FRAME_EXTENTS", False);
  if (const auto stated = StatedExtents(display, id, extents)) return *stated;
  const Atom request = XInternAtom(display, "_NET_REQUEST_FRAME_EXTENTS", False);
  if (!ManagerSupports(display, request)) return QtFrameMargins(window);
  SendToManager(display, id, request);
  XFlush(display);
  for (int waited = 0; waited < kAnswerWaitMs; waited += kAnswerPollMs) {
    std::this_thread::sleep_for(std::chrono::milliseconds(kAnswerPollMs));
    if (const auto stated = StatedExtents(display, id, extents)) return *stated;
  }
  return QtFrameMargins(window);
}

bool ManagerHoldsOutOfNormalState(const QWidget* window) {
  Display* display = X11Display();
  const auto id = static_cast<Window>(window->internalWinId());
  if (display == nullptr || id == 0) return false;
  const Atom special[] = {XInternAtom(display, "_NET_WM_STATE_MAXIMIZED_VERT", False),
                          XInternAtom(display, "_NET_WM_STATE_MAXIMIZED_HORZ", False),
                          XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False),
                          XInternAtom(display, "_NET_WM_STATE_HIDDEN", False)};
  Atom type = None;
  int format = 0;
  unsigned long count = 0, remaining = 0;
  unsigned char* data = nullptr;
  const int status =
      XGetWindowProperty(display, id, XInternAtom(display, "_NET_WM_STATE", False), 0, 64, False,
                         XA_ATOM, &type, &format, &count, &remaining, &data);
  bool held = false;
  if (status == Success && data != nullptr && type == XA_ATOM && format == 32) {
    const auto* atoms = reinterpret_cast<const Atom*>(data);
    for (unsigned long i = 0; i < count && !held; ++i) {
      for (const Atom state : special) held = held || atoms[i] == state;
    }
  }
  if (data != nullptr) XFree(data);
  return held;
}

}  // namespace platform
