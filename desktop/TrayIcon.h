#pragma once
// TTrayIcon: one icon in the desktop's notification area, with a tip, mouse events and pop-up
// menus that open at the cursor on a button press. It talks to the shell through
// platform::Shell_NotifyIcon and hears the shell's callback messages in a hidden window of its own.
//
// Use from a form: construct with the form as owner, set the stored properties (tip, menus,
// events, Visible), then call Loaded(), which puts the icon into the notification area. Until
// Loaded() has run the component counts as "being loaded": Visible only stores its value.

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <new>
#include <set>
#include <string>

#include "platform/ShellNotify.h"

// The out-of-memory error kind: every refusal of the tray icon is raised as this, with the
// message "タスクトレイにアイコンを登録できません。" as what().
class EOutOfMemory : public std::bad_alloc {
 public:
  explicit EOutOfMemory(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

enum TMouseButton { mbLeft, mbRight, mbMiddle };

// A set of shift-state flags; [] is 0, [ssLeft] is ssLeft.
enum TShiftFlag : unsigned {
  ssShift = 1u << 0,
  ssAlt = 1u << 1,
  ssCtrl = 1u << 2,
  ssLeft = 1u << 3,
  ssRight = 1u << 4,
  ssMiddle = 1u << 5,
  ssDouble = 1u << 6,
};
using TShiftState = unsigned;

// Sender is the component that raised the event; X and Y are screen coordinates.
using TNotifyEvent = std::function<void(QObject* Sender)>;
using TMouseMoveEvent = std::function<void(QObject* Sender, TShiftState Shift, int X, int Y)>;
using TMouseEvent =
    std::function<void(QObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;

// The identifiers of every living TTrayIcon, as "%.3d" texts in sorted order (GUI thread only).
const std::set<std::string>& UsedIconIDs();

class TTrayIcon : public QObject {
  Q_OBJECT

 public:
  // Takes the highest identifier in use + 1; throws EOutOfMemory when that would pass 999.
  explicit TTrayIcon(QObject* Owner);
  ~TTrayIcon() override;

  // The loaded step: adds the icon when Visible, then ends the loading. Throws EOutOfMemory when
  // the shell refuses; the component then stays unregistered and still loading.
  void Loaded();

  bool AutoPopup() const { return FAutoPopup; }
  void SetAutoPopup(bool Value);

  // The picture shown. A null icon stands for "none" and clears NIF_ICON; passing Icon()
  // itself changes nothing.
  const QIcon& Icon() const { return FIcon; }
  void SetIcon(const QIcon& Value);

  // Menus are not owned; a menu destroyed elsewhere reads back as none.
  QMenu* LBPopupMenu() const { return FLBPopupMenu; }
  void SetLBPopupMenu(QMenu* Value) { FLBPopupMenu = Value; }
  QMenu* RBPopupMenu() const { return FRBPopupMenu; }
  void SetRBPopupMenu(QMenu* Value) { FRBPopupMenu = Value; }

  // At most 1,000 characters of the ANSI code page; a longer text is cut after its 1,000th.
  const std::string& TipHelp() const { return FTipHelp; }
  void SetTipHelp(const std::string& Value);

  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);

  const TNotifyEvent& OnDblClick() const { return FOnDblClick; }
  void SetOnDblClick(TNotifyEvent Value) { FOnDblClick = std::move(Value); }
  const TMouseMoveEvent& OnMouseMove() const { return FOnMouseMove; }
  void SetOnMouseMove(TMouseMoveEvent Value) { FOnMouseMove = std::move(Value); }
  const TMouseEvent& OnMouseDown() const { return FOnMouseDown; }
  void SetOnMouseDown(TMouseEvent Value) { FOnMouseDown = std::move(Value); }
  const TMouseEvent& OnMouseUp() const { return FOnMouseUp; }
  void SetOnMouseUp(TMouseEvent Value) { FOnMouseUp = std::move(Value); }

  int IconID() const { return FIconID; }
  bool Registered() const { return FRegistered; }
  const platform::NOTIFYICONDATA& NotifyData() const { return *FNotifyData; }
  platform::HWND TrayWindow() const { return FTrayWindow.get(); }

  // Sends the current identifier, icon and tip to the shell when registered.
  // Throws EOutOfMemory when the shell refuses.
  void UpdateIcon();

  // The hidden window's procedure: the shell's callback message becomes events and menus.
  void TrayWndProc(platform::TMessage& Message);

 private:
  void WriteNotifyData();
  void AddIcon();
  void ButtonDown(QMenu* Menu, TMouseButton Button, TShiftState Shift, int X, int Y);
  void PopupAtCursor(QMenu* Menu, int X, int Y);

  struct TrayWindowDeleter {
    void operator()(platform::HWND Window) const { platform::DeallocateHWnd(Window); }
  };

  bool FAutoPopup = true;
  QIcon FIcon;
  QPointer<QMenu> FLBPopupMenu;
  QPointer<QMenu> FRBPopupMenu;
  std::string FTipHelp;
  bool FVisible = true;
  TNotifyEvent FOnDblClick;
  TMouseMoveEvent FOnMouseMove;
  TMouseEvent FOnMouseDown;
  TMouseEvent FOnMouseUp;
  int FIconID = 0;
  bool FRegistered = false;
  std::unique_ptr<platform::NOTIFYICONDATA> FNotifyData;
  std::unique_ptr<platform::TMessageWindow, TrayWindowDeleter> FTrayWindow;
  bool FLoading = true;  // from construction until Loaded(): Visible only stores its value
};
