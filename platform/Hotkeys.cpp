#include "platform/Hotkeys.h"

#include <QCoreApplication>
#include <QWidget>

#include <map>
#include <utility>

namespace platform {

std::unique_ptr<THotKeyBackend> MakeX11HotKeyBackend();  // Hotkeys_x11.cpp

namespace {

// Without a desktop that can grab keys (the offscreen platform, tests) registrations are only
// kept: the rules of the table still hold, but no key ever arrives.
class THotKeyTable : public THotKeyBackend {
 public:
  bool Register(QWidget* window, int id, unsigned modifiers, unsigned vk) override {
    if (window == nullptr || vk == 0) return false;
    for (const auto& [key, combo] : Table_) {
      if (combo == std::make_pair(modifiers, vk) && key != std::make_pair(window, id)) return false;
    }
    Table_[{window, id}] = {modifiers, vk};
    return true;
  }
  bool Unregister(QWidget* window, int id) override { return Table_.erase({window, id}) > 0; }

 private:
  std::map<std::pair<QWidget*, int>, std::pair<unsigned, unsigned>> Table_;
};

std::unique_ptr<THotKeyBackend>& BackendSlot() {
  static std::unique_ptr<THotKeyBackend> backend;
  return backend;
}

// The X11 backend talks to Qt's display connection, which closes with the application object:
// it goes first (Qt runs post routines before it closes the connection).
void DropBackend() { BackendSlot().reset(); }

std::unique_ptr<THotKeyBackend> MakeDefaultBackend() {
  if (auto x11 = MakeX11HotKeyBackend()) {
    qAddPostRoutine(DropBackend);
    return x11;
  }
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
  return CurrentBackend().Register(window, id, modifiers, vk);
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
