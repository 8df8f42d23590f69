#pragma once

namespace platform {

// Makes Xlib safe to call from several threads. The video renderer draws from GStreamer's
// streaming threads while Qt and the hotkeys use X on the GUI thread, so this must run first
// in main, before any other X call. Harmless without an X display.
void InitX11Threads();

}  // namespace platform
