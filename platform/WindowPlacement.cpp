#include "platform/WindowPlacement.h"

#include <QMargins>
#include <QWidget>

#include <algorithm>

namespace platform {
namespace {

// The frame's thickness on each side; zero until the window manager has framed the window.
QMargins FrameMargins(const QWidget* window) {
  const QRect inner = window->geometry();
  const QRect outer = window->frameGeometry();
  return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
          outer.bottom() - inner.bottom()};
}

// Qt's normal geometry is only kept while the window is maximised, minimised or full screen.
QRect NormalClientRect(const QWidget* window) {
  const Qt::WindowStates special =
      Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen;
  if ((window->windowState() & special) && window->normalGeometry().isValid()) {
    return window->normalGeometry();
  }
  return window->geometry();
}

}  // namespace

bool GetWindowPlacement(const QWidget* window, WINDOWPLACEMENT* placement) {
  if (window == nullptr || placement == nullptr || placement->length != 44) return false;
  const Qt::WindowStates state = window->windowState();
  const QRect outer = NormalClientRect(window).marginsAdded(FrameMargins(window));
  placement->flags = 0;
  if (state & Qt::WindowMinimized) {
    placement->showCmd = SW_SHOWMINIMIZED;
    if (state & Qt::WindowMaximized) placement->flags |= WPF_RESTORETOMAXIMIZED;
  } else if (state & Qt::WindowMaximized) {
    placement->showCmd = SW_SHOWMAXIMIZED;
  } else {
    placement->showCmd = SW_SHOWNORMAL;
  }
  placement->ptMinPosition = {-1, -1};
  placement->ptMaxPosition = {-1, -1};
  if (placement->showCmd == SW_SHOWMAXIMIZED) {
    placement->ptMaxPosition = {window->frameGeometry().x(), window->frameGeometry().y()};
  }
  placement->rcNormalPosition = {outer.left(), outer.top(), outer.left() + outer.width(),
                                 outer.top() + outer.height()};
  return true;
}

bool SetWindowPlacement(QWidget* window, const WINDOWPLACEMENT* placement) {
  if (window == nullptr || placement == nullptr || placement->length != 44) return false;
  const WINDOWPLACEMENT::Rect& r = placement->rcNormalPosition;
  const QMargins frame = FrameMargins(window);
  Qt::WindowStates state = window->windowState() &
                           ~(Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen);
  // The normal rectangle is set in the normal state, so that Qt keeps it for the restore.
  window->setWindowState(state);
  // Right and bottom are 64-bit here: a hostile file can hold INT32_MIN and INT32_MAX.
  const int64_t width = int64_t{r.right} - r.left - frame.left() - frame.right();
  const int64_t height = int64_t{r.bottom} - r.top - frame.top() - frame.bottom();
  window->move(r.left, r.top);  // a window's position is its frame's corner
  window->resize(static_cast<int>(std::clamp<int64_t>(width, 0, QWIDGETSIZE_MAX)),
                 static_cast<int>(std::clamp<int64_t>(height, 0, QWIDGETSIZE_MAX)));
  switch (placement->showCmd) {
    case SW_SHOWMAXIMIZED:
      state |= Qt::WindowMaximized;
      break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
      state |= Qt::WindowMinimized;
      if (placement->flags & WPF_RESTORETOMAXIMIZED) state |= Qt::WindowMaximized;
      break;
    default:
      break;
  }
  window->setWindowState(state);
  return true;
}

}  // namespace platform
