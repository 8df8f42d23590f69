#pragma once
// A window's placement in the shape of Windows' WINDOWPLACEMENT: its restored ("normal")
// rectangle, its show state and its minimised and maximised positions, read from and applied to
// a Qt top-level widget. Rectangles are outer (frame) coordinates, right and bottom exclusive:
// the frame is the one the window manager states (platform/FrameExtents.h), none without one.

#include <cstdint>

class QWidget;

namespace platform {

// Show commands.
enum : int32_t {
  SW_HIDE = 0,
  SW_SHOWNORMAL = 1,
  SW_SHOWMINIMIZED = 2,
  SW_SHOWMAXIMIZED = 3,
  SW_SHOWNOACTIVATE = 4,
  SW_SHOW = 5,
  SW_MINIMIZE = 6,
  SW_SHOWMINNOACTIVE = 7,
  SW_SHOWNA = 8,
  SW_RESTORE = 9,
};

// Placement flags.
enum : int32_t {
  WPF_SETMINPOSITION = 0x1,
  WPF_RESTORETOMAXIMIZED = 0x2,  // minimised from the maximised state: a restore maximises
};

struct WINDOWPLACEMENT {
  struct Point {
    int32_t x = 0;
    int32_t y = 0;
  };
  struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
  };
  uint32_t length = 44;  // the record's size on Windows; both calls refuse any other value
  int32_t flags = 0;
  int32_t showCmd = 0;
  Point ptMinPosition;
  Point ptMaxPosition;
  Rect rcNormalPosition;
};

// Fills placement from the window. The normal rectangle is the last one the window had while
// shown in the normal state since SetWindowPlacement was first applied to it (a closed, hidden,
// minimised or maximised window no longer shows it), else its present one. The minimised position is always (-1, -1) and the maximised one
// is the frame's corner while maximised, else (-1, -1): Qt leaves both to the window manager.
bool GetWindowPlacement(const QWidget* window, WINDOWPLACEMENT* placement);

// Puts the window's frame on the normal rectangle (the client inside it by the frame the manager
// gives the window, asked for before the window is framed) and from then on keeps the window's
// normal rectangle for GetWindowPlacement; then applies the show command: maximised
// (3), minimised (2, 6, 7; maximised as well with WPF_RESTORETOMAXIMIZED) or normal (any other).
// A hidden window takes the state without being shown. The minimised and maximised positions
// are not applied; the window manager decides them.
bool SetWindowPlacement(QWidget* window, const WINDOWPLACEMENT* placement);

}  // namespace platform
