#pragma once
// System-wide hotkeys in the shape of RegisterHotKey / UnregisterHotKey: a window registers a
// combination under a number, and each press reaches the application as a WM_HOTKEY message
// (a THotKeyEvent posted to that window, so every application-wide event filter sees it on the GUI
// thread before it is dispatched). The work is done by a replaceable backend: X11 key grabs on the
// root window where the display is X11, an in-process table elsewhere, a recorder in tests.

#include <QEvent>

#include <cstdint>
#include <memory>
#include <string>

class QWidget;

namespace platform {

// Modifier flags of RegisterHotKey.
enum : unsigned { MOD_ALT = 0x1, MOD_CONTROL = 0x2, MOD_SHIFT = 0x4, MOD_WIN = 0x8 };

constexpr unsigned WM_HOTKEY = 0x0312;

// Virtual-key codes of the keys the settings file names.
enum : unsigned {
  VK_BACK = 0x08,
  VK_TAB = 0x09,
  VK_RETURN = 0x0D,
  VK_ESCAPE = 0x1B,
  VK_SPACE = 0x20,
  VK_PRIOR = 0x21,  // Page Up
  VK_NEXT = 0x22,   // Page Down
  VK_END = 0x23,
  VK_HOME = 0x24,
  VK_LEFT = 0x25,
  VK_UP = 0x26,
  VK_RIGHT = 0x27,
  VK_DOWN = 0x28,
  VK_INSERT = 0x2D,
  VK_DELETE = 0x2E,
  VK_0 = 0x30,  // '0'..'9' are 0x30..0x39
  VK_A = 0x41,  // 'A'..'Z' are 0x41..0x5A
  VK_NUMPAD0 = 0x60,
  VK_F1 = 0x70,  // F1..F24 are 0x70..0x87
  VK_F24 = 0x87,
};

// A message as the application's message hook sees it (Windows' MSG, reduced to what is used).
struct TMsg {
  QWidget* hwnd = nullptr;
  unsigned message = 0;
  uintptr_t wParam = 0;  // WM_HOTKEY: the hotkey number
  intptr_t lParam = 0;   // WM_HOTKEY: modifiers in the low word, virtual-key code in the high word
};

// The WM_HOTKEY message as a Qt event, posted to the window that registered the hotkey.
class THotKeyEvent : public QEvent {
 public:
  THotKeyEvent(int id, unsigned modifiers, unsigned vk);
  static QEvent::Type EventType();

  int Id() const { return Id_; }
  // The message form, for the hook.
  TMsg ToMsg(QWidget* window) const;

 private:
  int Id_;
  unsigned Modifiers_;
  unsigned Vk_;
};

class THotKeyBackend {
 public:
  virtual ~THotKeyBackend() = default;
  // False when the combination cannot be had (held elsewhere, unknown key, code 0).
  virtual bool Register(QWidget* window, int id, unsigned modifiers, unsigned vk) = 0;
  // False when the window has no hotkey of that number.
  virtual bool Unregister(QWidget* window, int id) = 0;
  // Why the last Register that returned false failed, in words for the user.
  virtual std::string LastFailure() const { return "the system refused it"; }
};

bool RegisterHotKey(QWidget* window, int id, unsigned modifiers, unsigned vk);
bool UnregisterHotKey(QWidget* window, int id);
// Why the last RegisterHotKey failed ("" after a success).
std::string HotKeyError();

// What a hotkey is for, where the desktop lists the shortcuts a program binds (the portal): a
// stable name ("next"), a sentence for the user, and the settings key it came from.
struct THotKeyPurpose {
  std::string Name;
  std::string Description;
  std::string SettingKey;
};
// Given before the hotkey's registration; the purposes stay for the run.
void SetHotKeyPurpose(int id, THotKeyPurpose purpose);
const THotKeyPurpose* HotKeyPurposeOf(int id);  // nullptr: none given

// The combination as a user reads it: "Super+End".
std::string HotKeyText(unsigned modifiers, unsigned vk);
// One line on standard error for a hotkey that cannot be had: the settings key it came from,
// the combination and the reason. No message box: a start must not wait for a click.
void ReportHotKeyFailure(const char* settingKey, unsigned modifiers, unsigned vk,
                         const std::string& reason);

// Installs another backend and returns the one it replaces; nullptr restores the default one.
std::unique_ptr<THotKeyBackend> SetHotKeyBackend(std::unique_ptr<THotKeyBackend> backend);

// What a backend does when a registered combination is pressed: post WM_HOTKEY to the window.
void PostHotKey(QWidget* window, int id, unsigned modifiers, unsigned vk);

}  // namespace platform
