// System-wide hotkeys on X11: each registration grabs its key with its modifiers on the root
// window of Qt's own display connection, so the presses arrive in Qt's event stream, where a
// native event filter turns them into WM_HOTKEY on the GUI thread.

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QPointer>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>

#include <map>
#include <memory>
#include <string>
#include <utility>

#include "platform/Hotkeys.h"

// Xlib's macros clash with Qt's names: its headers come after Qt's.
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <xcb/xcb.h>

namespace platform {
namespace {

KeySym KeySymOf(unsigned vk) {
  if (vk >= 'A' && vk <= 'Z') return XK_a + (vk - 'A');
  if (vk >= '0' && vk <= '9') return XK_0 + (vk - '0');
  if (vk >= VK_F1 && vk <= VK_F24) return XK_F1 + (vk - VK_F1);
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) return XK_KP_0 + (vk - VK_NUMPAD0);
  static const std::map<unsigned, KeySym> named = {
      {VK_BACK, XK_BackSpace}, {VK_TAB, XK_Tab},         {VK_RETURN, XK_Return},
      {VK_ESCAPE, XK_Escape},  {VK_SPACE, XK_space},     {VK_PRIOR, XK_Prior},
      {VK_NEXT, XK_Next},      {VK_END, XK_End},         {VK_HOME, XK_Home},
      {VK_LEFT, XK_Left},      {VK_UP, XK_Up},           {VK_RIGHT, XK_Right},
      {VK_DOWN, XK_Down},      {VK_INSERT, XK_Insert},   {VK_DELETE, XK_Delete},
      {0x13, XK_Pause},        {0x14, XK_Caps_Lock},     {0x2C, XK_Print},
      {0x6A, XK_KP_Multiply},  {0x6B, XK_KP_Add},        {0x6D, XK_KP_Subtract},
      {0x6E, XK_KP_Decimal},   {0x6F, XK_KP_Divide},     {0x90, XK_Num_Lock},
      {0x91, XK_Scroll_Lock},  {0xBA, XK_semicolon},     {0xBB, XK_equal},
      {0xBC, XK_comma},        {0xBD, XK_minus},         {0xBE, XK_period},
      {0xBF, XK_slash},        {0xC0, XK_grave},         {0xDB, XK_bracketleft},
      {0xDC, XK_backslash},    {0xDD, XK_bracketright},  {0xDE, XK_apostrophe}};
  const auto it = named.find(vk);
  return it == named.end() ? NoSymbol : it->second;
}

unsigned X11Modifiers(unsigned modifiers) {
  unsigned mask = 0;
  if (modifiers & MOD_ALT) mask |= Mod1Mask;
  if (modifiers & MOD_CONTROL) mask |= ControlMask;
  if (modifiers & MOD_SHIFT) mask |= ShiftMask;
  if (modifiers & MOD_WIN) mask |= Mod4Mask;
  return mask;
}

// Caps Lock and Num Lock must not stop a hotkey: each combination is grabbed with every state
// of the two, and a press is matched without them.
constexpr unsigned kLockVariants[] = {0, LockMask, Mod2Mask, LockMask | Mod2Mask};
constexpr unsigned kIgnoredMask = LockMask | Mod2Mask;

// A grab refused by the server (another client holds the combination) shows up only as an X
// error; Qt's handler would merely print it, so grabs run under a handler that records it.
bool g_grabFailed = false;
int RecordGrabError(Display*, XErrorEvent* error) {
  if (error->error_code == BadAccess) g_grabFailed = true;
  return 0;
}

class THotKeyX11 : public THotKeyBackend, public QAbstractNativeEventFilter {
 public:
  explicit THotKeyX11(Display* display) : Display_(display), Root_(DefaultRootWindow(display)) {
    QCoreApplication::instance()->installNativeEventFilter(this);
  }
  ~THotKeyX11() override {
    if (QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(this);
    for (const auto& [key, grab] : Grabs_) Ungrab(grab);
    XFlush(Display_);
  }

  bool Register(QWidget* window, int id, unsigned modifiers, unsigned vk) override {
    Failure_ = "no such key on this keyboard";
    if (window == nullptr) return false;
    const KeySym sym = KeySymOf(vk);
    const KeyCode code = sym == NoSymbol ? 0 : XKeysymToKeycode(Display_, sym);
    if (code == 0) return false;
    const TGrab grab{code, X11Modifiers(modifiers), modifiers, vk, window};
    for (const auto& [key, other] : Grabs_) {
      const bool same = other.Code == grab.Code && other.Mask == grab.Mask;
      if (same && key != std::make_pair(window, id)) {
        Failure_ = "another hotkey of this program has it";
        return false;
      }
    }
    if (const auto old = Grabs_.find({window, id}); old != Grabs_.end()) {
      Ungrab(old->second);
      Grabs_.erase(old);
    }
    XSync(Display_, False);
    g_grabFailed = false;
    const auto previous = XSetErrorHandler(RecordGrabError);
    for (unsigned lock : kLockVariants) {
      XGrabKey(Display_, grab.Code, grab.Mask | lock, Root_, True, GrabModeAsync, GrabModeAsync);
    }
    XSync(Display_, False);
    XSetErrorHandler(previous);
    if (g_grabFailed) {
      Ungrab(grab);
      XFlush(Display_);
      Failure_ = "another program holds it (the X server refused the grab)";
      return false;
    }
    Grabs_[{window, id}] = grab;
    return true;
  }

  bool Unregister(QWidget* window, int id) override {
    const auto it = Grabs_.find({window, id});
    if (it == Grabs_.end()) return false;
    Ungrab(it->second);
    XFlush(Display_);
    Grabs_.erase(it);
    return true;
  }

  std::string LastFailure() const override { return Failure_; }

  // Runs on the GUI thread, for every event Qt reads from the display connection.
  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
    if (eventType != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7F) != XCB_KEY_PRESS) return false;
    const auto* press = static_cast<const xcb_key_press_event_t*>(message);
    const unsigned mask = press->state & ~kIgnoredMask & 0xFF;
    for (const auto& [key, grab] : Grabs_) {
      if (grab.Code == press->detail && grab.Mask == mask) {
        // A window destroyed without unregistering gets nothing.
        if (grab.Window) PostHotKey(grab.Window, key.second, grab.Modifiers, grab.Vk);
        return true;
      }
    }
    return false;
  }

 private:
  struct TGrab {
    KeyCode Code = 0;
    unsigned Mask = 0;       // X modifier mask
    unsigned Modifiers = 0;  // as registered (MOD_*)
    unsigned Vk = 0;
    QPointer<QWidget> Window;
  };

  void Ungrab(const TGrab& grab) {
    for (unsigned lock : kLockVariants) XUngrabKey(Display_, grab.Code, grab.Mask | lock, Root_);
  }

  Display* Display_;
  ::Window Root_;
  std::map<std::pair<QWidget*, int>, TGrab> Grabs_;
  std::string Failure_;
};

}  // namespace

// The key's keysym name ("End", "Right", "F7"; also the names desktop shortcut triggers use);
// "" for a key without one. Needs no display.
std::string X11KeyName(unsigned vk) {
  const char* name = XKeysymToString(KeySymOf(vk));
  return name == nullptr ? std::string() : std::string(name);
}

// nullptr unless the application runs on an X11 display.
std::unique_ptr<THotKeyBackend> MakeX11HotKeyBackend() {
  const auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  if (app == nullptr || QGuiApplication::platformName() != "xcb") return nullptr;
  const auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
  if (x11 == nullptr || x11->display() == nullptr) return nullptr;
  return std::make_unique<THotKeyX11>(x11->display());
}

}  // namespace platform
