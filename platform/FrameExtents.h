#pragma once
// The frame a window manager puts around a top-level window, as the manager itself states it
// (_NET_FRAME_EXTENTS). Qt's own frame margins are measured from the window tree, which is still
// empty before the window is framed and half torn down while it is unframed.

#include <QMargins>

class QWidget;

namespace platform {

// The frame's thickness on each side as the manager states it. Without a window manager, or
// with one that states no extents, Qt's margins (zero without a manager: the frame is the client).
QMargins FrameExtents(const QWidget* window);

// The same, but when the window is not framed yet the manager is first asked for the frame it
// will give (_NET_REQUEST_FRAME_EXTENTS), waiting at most a second for its answer.
QMargins ExpectedFrameExtents(const QWidget* window);

// Whether the manager holds the window maximised (either way), full screen or minimised, as its
// _NET_WM_STATE says now. A manager that maximises a window moves and sizes it before it says
// so, and Qt learns the state only from that property: the geometry Qt reports first is taken
// for a normal one unless the server is asked.
bool ManagerHoldsOutOfNormalState(const QWidget* window);

}  // namespace platform
