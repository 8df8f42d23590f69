#pragma once
// The shell's notification area: Shell_NotifyIcon with a NOTIFYICONDATA-like record, and the
// hidden message windows that hear the shell's callback messages.
//
// The real service shows each icon with QSystemTrayIcon (an XEmbed tray under X11, or a
// StatusNotifierItem where the desktop offers one). Mouse actions on an icon come back to its
// window as the record's callback message, wParam the identifier and lParam the mouse message
// (WM_MOUSEMOVE … WM_MBUTTONUP), posted on the GUI thread. A status notifier host reports
// clicks, not presses, and no double-click: its activation (a left click) comes back as a whole
// double-click (press, release, double-click, release). Tests replace the service by a recorder
// with SetShellNotifyService.

#include <QIcon>
#include <QPoint>

#include <cstdint>
#include <functional>
#include <string>

class QWidget;

namespace platform {

using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;

// One window message, as a window procedure sees it; the procedure sets Result.
struct TMessage {
  unsigned Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
};

enum : unsigned {
  WM_USER = 0x0400,
  WM_MOUSEMOVE = 0x0200,
  WM_LBUTTONDOWN = 0x0201,
  WM_LBUTTONUP = 0x0202,
  WM_LBUTTONDBLCLK = 0x0203,
  WM_RBUTTONDOWN = 0x0204,
  WM_RBUTTONUP = 0x0205,
  WM_RBUTTONDBLCLK = 0x0206,
  WM_MBUTTONDOWN = 0x0207,
  WM_MBUTTONUP = 0x0208,
};

// A hidden window: nothing on screen, only a procedure that messages are delivered to on the
// GUI thread. The handle stays valid until DeallocateHWnd.
class TMessageWindow;
using HWND = TMessageWindow*;
using TWndMethod = std::function<void(TMessage& Message)>;

HWND AllocateHWnd(TWndMethod method);
// Safe from inside the window's own procedure: the window then goes once the procedure returns.
void DeallocateHWnd(HWND window);
bool IsWindow(HWND window);
// The default procedure: hidden windows answer every message they do not handle with 0.
LRESULT DefWindowProc(HWND window, unsigned msg, WPARAM wParam, LPARAM lParam);
// Calls the window's procedure now and returns its result (0 for a window that is gone).
LRESULT SendMessage(HWND window, unsigned msg, WPARAM wParam, LPARAM lParam);
// Queues the message for the window's procedure on the GUI thread; a message for a window
// that is gone by then is dropped. False when the window is already gone. An error the
// procedure raises for a posted message leaves through the application's notify(), where the
// application's default error handler takes it, as for any event handler.
bool PostMessage(HWND window, unsigned msg, WPARAM wParam, LPARAM lParam);

enum : uint32_t {
  NIM_ADD = 0,
  NIM_MODIFY = 1,
  NIM_DELETE = 2,
};

enum : uint32_t {
  NIF_MESSAGE = 0x1,  // uCallbackMessage is valid: mouse actions are reported
  NIF_ICON = 0x2,     // hIcon is valid
  NIF_TIP = 0x4,      // szTip is valid
};

// The size the record declares: that of the original 88-byte ANSI form. The tip is the one
// field that differs: desktop trays here show long tips, so it is a string, not 64 bytes.
constexpr uint32_t NOTIFYICONDATA_SIZE = 88;

struct NOTIFYICONDATA {
  uint32_t cbSize = NOTIFYICONDATA_SIZE;
  HWND hWnd = nullptr;  // receives the callback messages
  uint32_t uID = 0;     // the icon's identifier, unique per window
  uint32_t uFlags = 0;  // NIF_* : which of the fields below are valid
  uint32_t uCallbackMessage = 0;
  QIcon hIcon;
  std::string szTip;  // in the ANSI code page
};

// Adds, modifies or deletes the icon (hWnd, uID). Modify changes only the fields that uFlags
// marks valid. False when the shell refuses: an add of an icon that is already there, a modify
// or delete of one that is not, or no GUI application to show it in.
bool Shell_NotifyIcon(uint32_t message, const NOTIFYICONDATA& data);

using TShellNotifyService = std::function<bool(uint32_t message, const NOTIFYICONDATA& data)>;
// Installs another service (a recorder in tests) and returns the one it replaces; an empty
// function restores the real one.
TShellNotifyService SetShellNotifyService(TShellNotifyService service);

// The mouse cursor's position in screen coordinates, now.
QPoint GetCursorPos();

}  // namespace platform
