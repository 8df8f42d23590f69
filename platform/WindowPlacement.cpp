#include "platform/WindowPlacement.h"

#include <QEvent>
#include <QWidget>

#include <algorithm>

#include "platform/FrameExtents.h"

namespace platform {
namespace {

// Keeps a window's last normal outer rectangle while the window is shown in the normal state, as
// the original platform keeps a window's normal position. The window's own geometry cannot give
// it at the end: a closed window has been unframed (and moved to where its frame was), and a
// minimised or maximised one has left its normal rectangle.
class TNormalFrameTracker : public QObject {
 public:
  static constexpr const char* kName = "platform.NormalFrameTracker";

  explicit TNormalFrameTracker(QWidget* window) : QObject(window), Window_(window) {
    setObjectName(kName);
    window->installEventFilter(this);
  }
  static TNormalFrameTracker* Of(const QWidget* window) {
    return dynamic_cast<TNormalFrameTracker*>(
        window->findChild<QObject*>(kName, Qt::FindDirectChildrenOnly));
  }

  QRect NormalFrame() const { return NormalFrame_; }
  void SetNormalFrame(const QRect& frame) { NormalFrame_ = frame; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    const QEvent::Type type = event->type();
    if (watched == Window_ && (type == QEvent::Move || type == QEvent::Resize ||
                               type == QEvent::Show || type == QEvent::WindowStateChange)) {
      Record();
    }
    return false;
  }

 private:
  void Record() {
    const Qt::WindowStates special =
        Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen;
    if (!Window_->isVisible() || (Window_->windowState() & special) ||
        ManagerHoldsOutOfNormalState(Window_)) {
      return;
    }
    NormalFrame_ = Window_->geometry().marginsAdded(FrameExtents(Window_));
  }

  QWidget* Window_;
  QRect NormalFrame_;
};

// Qt's normal geometry is only kept while the window is maximised, minimised or full screen.
QRect NormalClientRect(const QWidget* window) {
  const Qt::WindowStates special =
      Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen;
  if ((window->windowState() & special) && window->normalGeometry().isValid()) {
    return window->normalGeometry();
  }
  return window->geometry();
}

QRect NormalFrameRect(const QWidget* window) {
  if (const TNormalFrameTracker* tracker = TNormalFrameTracker::Of(window)) {
    if (tracker->NormalFrame().isValid()) return tracker->NormalFrame();
  }
  return NormalClientRect(window).marginsAdded(ExpectedFrameExtents(window));
}

}  // namespace

bool GetWindowPlacement(const QWidget* window, WINDOWPLACEMENT* placement) {
  if (window == nullptr || placement == nullptr || placement->length != 44) return false;
  const Qt::WindowStates state = window->windowState();
  const QRect outer = NormalFrameRect(window);
  placement->flags = 0;
  if (state & Qt::WindowMinimized) {
    placement->showCmd = SW_SHOWMINIMIZED;
    if (state & Qt::WindowMaximized) placement->flags |= WPF_RESTORETOMAXIMIZED;
  } else if (state & Qt::WindowMaximized) {
    placement->showCmd = SW_SHOWMAXIMIZED;
  } else {
    placement->showCmd = SW_SHOWNORMAL;
  }
  placement->ptMinPosition = {-1, -1};
  placement->ptMaxPosition = {-1, -1};
  if (placement->showCmd == SW_SHOWMAXIMIZED) {
    placement->ptMaxPosition = {window->frameGeometry().x(), window->frameGeometry().y()};
  }
  placement->rcNormalPosition = {outer.left(), outer.top(), outer.left() + outer.width(),
                                 outer.top() + outer.height()};
  return true;
}

bool SetWindowPlacement(QWidget* window, const WINDOWPLACEMENT* placement) {
  if (window == nullptr || placement == nullptr || placement->length != 44) return false;
  const WINDOWPLACEMENT::Rect& r = placement->rcNormalPosition;
  Qt::WindowStates state = window->windowState() &
                           ~(Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen);
  // The normal rectangle is set in the normal state, so that Qt keeps it for the restore.
  window->setWindowState(state);
  // The frame goes exactly where the rectangle says: the client inside it by the frame the
  // manager gives (or will give) the window. 64-bit sums: a hostile file can hold INT32_MIN and
  // INT32_MAX.
  const QMargins frame = ExpectedFrameExtents(window);
  const int64_t width = int64_t{r.right} - r.left - frame.left() - frame.right();
  const int64_t height = int64_t{r.bottom} - r.top - frame.top() - frame.bottom();
  const QRect client(static_cast<int>(std::clamp<int64_t>(int64_t{r.left} + frame.left(),
                                                          -QWIDGETSIZE_MAX, QWIDGETSIZE_MAX)),
                     static_cast<int>(std::clamp<int64_t>(int64_t{r.top} + frame.top(),
                                                          -QWIDGETSIZE_MAX, QWIDGETSIZE_MAX)),
                     static_cast<int>(std::clamp<int64_t>(width, 0, QWIDGETSIZE_MAX)),
                     static_cast<int>(std::clamp<int64_t>(height, 0, QWIDGETSIZE_MAX)));
  // A client position, not a frame one: the manager leaves the client there and puts its frame
  // around it, so the frame's corner is where the rectangle's is whether or not it was framed.
  window->setGeometry(client);
  auto* tracker = TNormalFrameTracker::Of(window);
  if (tracker == nullptr) tracker = new TNormalFrameTracker(window);
  tracker->SetNormalFrame(window->geometry().marginsAdded(frame));
  switch (placement->showCmd) {
    case SW_SHOWMAXIMIZED:
      state |= Qt::WindowMaximized;
      break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
      state |= Qt::WindowMinimized;
      if (placement->flags & WPF_RESTORETOMAXIMIZED) state |= Qt::WindowMaximized;
      break;
    default:
      break;
  }
  window->setWindowState(state);
  return true;
}

}  // namespace platform
