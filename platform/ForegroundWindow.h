#pragma once
// SetForegroundWindow: bring a top-level window in front of other programs' windows and give it
// the keyboard. Under a window manager the request goes to the manager (_NET_ACTIVE_WINDOW),
// which alone may restack and focus managed windows; without one the window is raised and
// focused directly. A manager may refuse; like the system call, the result says only whether the
// request could be made.

class QWidget;

namespace platform {

// A null or hidden window stands for the application's active window, or else its first visible
// top-level window; false when the application shows none.
bool SetForegroundWindow(QWidget* window);

}  // namespace platform
