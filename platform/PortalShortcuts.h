#pragma once
// Global shortcuts through the desktop portal (org.freedesktop.portal.GlobalShortcuts), where the
// session bus offers it: Wayland sessions of KDE Plasma, GNOME 48 and later, Hyprland, where X11
// grabs see no keys while the window is hidden. One session for the program; the hotkeys
// registered in one pass of the event loop are bound in one call, each with its purpose's name
// and description and its combination as the preferred trigger. A press arrives as the portal's
// Activated signal and is posted as WM_HOTKEY, as an X11 grab's press is.

#include <memory>

#include "platform/Hotkeys.h"

namespace platform {

// nullptr when the session bus has no portal with global shortcuts (asks the bus, briefly).
std::unique_ptr<THotKeyBackend> MakePortalHotKeyBackend();

}  // namespace platform
