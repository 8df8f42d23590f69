#include "desktop/TrayIcon.h"

#include <QCoreApplication>
#include <QMenu>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

#include "platform/CodePage.h"
#include "platform/ForegroundWindow.h"

namespace {

const char* const kCannotRegister = "タスクトレイにアイコンを登録できません。";
constexpr unsigned kCallbackMessage = platform::WM_USER + 200;
constexpr int kHighestIconID = 999;
// Desktop trays show long tips whole (the file's path, then its title): the bound only keeps a
// runaway text from filling the screen.
constexpr size_t kTipChars = 1000;

std::set<std::string>& IconIDs() {
  static std::set<std::string> ids;
  return ids;
}

// "%.3d": zero-padded to three digits, so that text order is number order.
std::string IconIDText(int id) {
  char text[16];
  std::snprintf(text, sizeof text, "%.3d", id);
  return text;
}

// The first kTipChars characters of text, so that the tip never ends in half a character.
std::string CutTip(const std::string& text) {
  return text.substr(0, platform::LeadingCharsLength(text, kTipChars));
}

}  // namespace

const std::set<std::string>& UsedIconIDs() { return IconIDs(); }

TTrayIcon::TTrayIcon(QObject* Owner) : QObject(Owner) {
  FNotifyData = std::make_unique<platform::NOTIFYICONDATA>();
  FTrayWindow.reset(platform::AllocateHWnd([this](platform::TMessage& Message) {
    TrayWndProc(Message);
  }));
  FNotifyData->cbSize = platform::NOTIFYICONDATA_SIZE;
  FNotifyData->hWnd = FTrayWindow.get();
  FNotifyData->uFlags = platform::NIF_MESSAGE | platform::NIF_ICON | platform::NIF_TIP;
  FNotifyData->uCallbackMessage = kCallbackMessage;

  FRegistered = false;
  FAutoPopup = true;
  FTipHelp = "TipHelp";
  FVisible = true;

  const std::set<std::string>& ids = IconIDs();
  FIconID = ids.empty() ? 1 : std::atoi(ids.rbegin()->c_str()) + 1;
  // Nothing has entered UsedIconIDs yet, so a refusal here leaves it as it was.
  if (FIconID > kHighestIconID) throw EOutOfMemory(kCannotRegister);
  IconIDs().insert(IconIDText(FIconID));
}

TTrayIcon::~TTrayIcon() {
  if (FRegistered) platform::Shell_NotifyIcon(platform::NIM_DELETE, *FNotifyData);
  FTrayWindow.reset();
  FNotifyData.reset();
  IconIDs().erase(IconIDText(FIconID));
  FIcon = QIcon();
}

void TTrayIcon::Loaded() {
  if (FVisible) AddIcon();
  FLoading = false;
}

void TTrayIcon::WriteNotifyData() {
  FNotifyData->uID = static_cast<uint32_t>(FIconID);
  FNotifyData->hIcon = FIcon;
  FNotifyData->szTip = FTipHelp;
}

void TTrayIcon::AddIcon() {
  WriteNotifyData();
  if (!platform::Shell_NotifyIcon(platform::NIM_ADD, *FNotifyData))
    throw EOutOfMemory(kCannotRegister);
  FRegistered = true;
}

void TTrayIcon::UpdateIcon() {
  if (!FRegistered) return;  // the values reach the shell with the next add
  WriteNotifyData();
  if (!platform::Shell_NotifyIcon(platform::NIM_MODIFY, *FNotifyData))
    throw EOutOfMemory(kCannotRegister);
}

void TTrayIcon::SetAutoPopup(bool Value) { FAutoPopup = Value; }

void TTrayIcon::SetIcon(const QIcon& Value) {
  if (&Value == &FIcon) return;
  if (Value.isNull()) {
    FIcon = QIcon();
    FNotifyData->uFlags &= ~platform::NIF_ICON;
  } else {
    FIcon = Value;
    FNotifyData->uFlags |= platform::NIF_ICON;
  }
  UpdateIcon();
}

void TTrayIcon::SetTipHelp(const std::string& Value) {
  std::string tip = CutTip(Value);
  if (tip == FTipHelp) return;
  FTipHelp = std::move(tip);
  UpdateIcon();
}

void TTrayIcon::SetVisible(bool Value) {
  if (Value == FVisible) return;
  FVisible = Value;
  if (FLoading) return;  // Loaded() acts on the stored value
  if (Value) {
    AddIcon();
  } else {
    platform::Shell_NotifyIcon(platform::NIM_DELETE, *FNotifyData);  // gone either way
    FRegistered = false;
  }
}

void TTrayIcon::TrayWndProc(platform::TMessage& Message) {
  if (Message.Msg != kCallbackMessage) {
    Message.Result =
        platform::DefWindowProc(FTrayWindow.get(), Message.Msg, Message.WParam, Message.LParam);
    return;
  }
  const QPoint cursor = platform::GetCursorPos();
  const int X = cursor.x();
  const int Y = cursor.y();
  switch (static_cast<unsigned>(Message.LParam)) {
    case platform::WM_MOUSEMOVE:
      if (FOnMouseMove) FOnMouseMove(this, 0, X, Y);
      break;
    case platform::WM_LBUTTONDOWN: ButtonDown(FLBPopupMenu, mbLeft, ssLeft, X, Y); break;
    case platform::WM_LBUTTONUP:
      if (FOnMouseUp) FOnMouseUp(this, mbLeft, ssLeft, X, Y);
      break;
    case platform::WM_LBUTTONDBLCLK:
      if (FOnDblClick) FOnDblClick(this);
      break;
    case platform::WM_RBUTTONDOWN: ButtonDown(FRBPopupMenu, mbRight, ssRight, X, Y); break;
    case platform::WM_RBUTTONUP:
      if (FOnMouseUp) FOnMouseUp(this, mbRight, ssRight, X, Y);
      break;
    case platform::WM_MBUTTONDOWN:
      if (FOnMouseDown) FOnMouseDown(this, mbMiddle, ssMiddle, X, Y);
      break;
    case platform::WM_MBUTTONUP:
      if (FOnMouseUp) FOnMouseUp(this, mbMiddle, ssMiddle, X, Y);
      break;
    default: break;  // WM_RBUTTONDBLCLK and anything else: nothing
  }
}

// A press opens the button's menu when there is one and AutoPopup allows it; otherwise it is
// an OnMouseDown. Never both.
void TTrayIcon::ButtonDown(QMenu* Menu, TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Menu && FAutoPopup) {
    PopupAtCursor(Menu, X, Y);
  } else if (FOnMouseDown) {
    FOnMouseDown(this, Button, Shift, X, Y);
  }
}

void TTrayIcon::PopupAtCursor(QMenu* Menu, int X, int Y) {
  // In front first, so that the menu takes the input and closes when the user clicks away.
  auto* ownerWidget = qobject_cast<QWidget*>(parent());
  platform::SetForegroundWindow(ownerWidget ? ownerWidget->window() : nullptr);
  // Pending messages may run any handler, even one that frees this component or the menu.
  QPointer<TTrayIcon> self(this);
  QPointer<QMenu> menu(Menu);
  QCoreApplication::processEvents();
  if (!self || !menu) return;
  menu->popup(QPoint(X, Y));
}
