#pragma once
// The one way the program shows a modal message box. Tests replace the shower by a recorder.

#include <functional>
#include <string>

namespace platform {

enum : unsigned {
  MB_OK = 0x00,
  MB_OKCANCEL = 0x01,
  MB_YESNO = 0x04,
  MB_ICONERROR = 0x10,
  MB_ICONWARNING = 0x30,
  MB_ICONINFORMATION = 0x40,
};

enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

// Shows text with caption, modal to the application; returns the button pressed (IDOK, …).
// Text and caption are in the ANSI code page (UTF-8 here).
using TMessageBoxShower = std::function<int(const std::string& text, const std::string& caption,
                                            unsigned flags)>;

int MessageBoxA(const std::string& text, const std::string& caption, unsigned flags = MB_OK);

// Installs another shower (a recorder in tests) and returns the one it replaces.
// An empty function restores the real, Qt-based one.
TMessageBoxShower SetMessageBoxShower(TMessageBoxShower shower);

}  // namespace platform
