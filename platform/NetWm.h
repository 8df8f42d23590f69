#pragma once
// What the platform files share to talk to the X server and its window manager. Include after
// every Qt header: Xlib's macros clash with Qt's names.

#include <X11/Xlib.h>

namespace platform {

// The X connection Qt uses, or nullptr on another platform (offscreen, Wayland).
Display* X11Display();

// Whether a window manager runs that implements the request: it lists the atom in _NET_SUPPORTED
// on the root window.
bool ManagerSupports(Display* display, Atom request);

// Sends a request about the window to the manager: a client message to the root window with up
// to three 32-bit values.
void SendToManager(Display* display, Window window, Atom request, long v0 = 0, long v1 = 0,
                   long v2 = 0);

}  // namespace platform
