#include "platform/Hotkeys.h"

#include "platform/PortalShortcuts.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QWidget>

#include <cstdio>
#include <map>
#include <utility>

namespace platform {

std::unique_ptr<THotKeyBackend> MakeX11HotKeyBackend();  // Hotkeys_x11.cpp
std::string X11KeyName(unsigned vk);                      // Hotkeys_x11.cpp

namespace {

// On the offscreen platform (tests, scripted runs) registrations are only kept: the rules of
// the table still hold, but no key ever arrives.
class THotKeyTable : public THotKeyBackend {
 public:
  bool Register(QWidget* window, int id, unsigned modifiers, unsigned vk) override {
    Failure_ = "no key of that name";
    if (window == nullptr || vk == 0) return false;
    for (const auto& [key, combo] : Table_) {
      if (combo == std::make_pair(modifiers, vk) && key != std::make_pair(window, id)) {
        Failure_ = "another hotkey of this program has it";
        return false;
      }
    }
    Table_[{window, id}] = {modifiers, vk};
    return true;
  }
  bool Unregister(QWidget* window, int id) override { return Table_.erase({window, id}) > 0; }
  std::string LastFailure() const override { return Failure_; }

 private:
  std::map<std::pair<QWidget*, int>, std::pair<unsigned, unsigned>> Table_;
  std::string Failure_;
};

// A display that is not X11 (a Wayland session whose user chose Qt's Wayland platform): there is
// nothing to grab keys on, and saying so beats hotkeys that silently never arrive.
class TNoHotKeys : public THotKeyBackend {
 public:
  bool Register(QWidget*, int, unsigned, unsigned) override { return false; }
  bool Unregister(QWidget*, int) override { return false; }
  std::string LastFailure() const override { return "no X11 display to grab keys on"; }
};

std::string& LastError() {
  static std::string error;
  return error;
}

std::unique_ptr<THotKeyBackend>& BackendSlot() {
  static std::unique_ptr<THotKeyBackend> backend;
  return backend;
}

// The X11 backend talks to Qt's display connection, which closes with the application object:
// it goes first (Qt runs post routines before it closes the connection).
void DropBackend() { BackendSlot().reset(); }

std::unique_ptr<THotKeyBackend> MakeDefaultBackend() {
  // The offscreen platform keeps the plain table, whatever the bus offers.
  const bool offscreen = QGuiApplication::platformName() == "offscreen";
  const bool application = QCoreApplication::instance() != nullptr;
  if (application && !offscreen) {
    if (auto portal = MakePortalHotKeyBackend()) {
      qAddPostRoutine(DropBackend);  // its bus connection closes with the application
      return portal;
    }
  }
  if (auto x11 = MakeX11HotKeyBackend()) {
    qAddPostRoutine(DropBackend);
    return x11;
  }
  if (application && !offscreen) return std::make_unique<TNoHotKeys>();
  return std::make_unique<THotKeyTable>();
}

THotKeyBackend& CurrentBackend() {
  if (!BackendSlot()) BackendSlot() = MakeDefaultBackend();
  return *BackendSlot();
}

}  // namespace

THotKeyEvent::THotKeyEvent(int id, unsigned modifiers, unsigned vk)
    : QEvent(EventType()), Id_(id), Modifiers_(modifiers), Vk_(vk) {}

QEvent::Type THotKeyEvent::EventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

TMsg THotKeyEvent::ToMsg(QWidget* window) const {
  TMsg msg;
  msg.hwnd = window;
  msg.message = WM_HOTKEY;
  msg.wParam = static_cast<uintptr_t>(Id_);
  msg.lParam = static_cast<intptr_t>((Modifiers_ & 0xFFFF) | ((Vk_ & 0xFFFF) << 16));
  return msg;
}

bool RegisterHotKey(QWidget* window, int id, unsigned modifiers, unsigned vk) {
  THotKeyBackend& backend = CurrentBackend();
  const bool registered = backend.Register(window, id, modifiers, vk);
  LastError() = registered ? std::string() : backend.LastFailure();
  return registered;
}

std::string HotKeyError() { return LastError(); }

namespace {
std::map<int, THotKeyPurpose>& Purposes() {
  static std::map<int, THotKeyPurpose> purposes;
  return purposes;
}
}  // namespace

void SetHotKeyPurpose(int id, THotKeyPurpose purpose) { Purposes()[id] = std::move(purpose); }

const THotKeyPurpose* HotKeyPurposeOf(int id) {
  const auto it = Purposes().find(id);
  return it == Purposes().end() ? nullptr : &it->second;
}

std::string HotKeyText(unsigned modifiers, unsigned vk) {
  std::string text;
  if (modifiers & MOD_WIN) text += "Super+";
  if (modifiers & MOD_CONTROL) text += "Ctrl+";
  if (modifiers & MOD_ALT) text += "Alt+";
  if (modifiers & MOD_SHIFT) text += "Shift+";
  const std::string name = X11KeyName(vk);
  return text + (name.empty() ? "key " + std::to_string(vk) : name);
}

void ReportHotKeyFailure(const char* settingKey, unsigned modifiers, unsigned vk,
                         const std::string& reason) {
  std::fprintf(stderr, "orvane: hotkey %s (%s) is not available: %s\n", settingKey,
               HotKeyText(modifiers, vk).c_str(), reason.c_str());
}

bool UnregisterHotKey(QWidget* window, int id) {
  return CurrentBackend().Unregister(window, id);
}

std::unique_ptr<THotKeyBackend> SetHotKeyBackend(std::unique_ptr<THotKeyBackend> backend) {
  if (!backend) backend = MakeDefaultBackend();
  return std::exchange(BackendSlot(), std::move(backend));
}

void PostHotKey(QWidget* window, int id, unsigned modifiers, unsigned vk) {
  if (window != nullptr) {
    QCoreApplication::postEvent(window, new THotKeyEvent(id, modifiers, vk));
  }
}

}  // namespace platform
