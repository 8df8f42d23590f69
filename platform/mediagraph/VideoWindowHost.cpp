#include "platform/mediagraph/VideoWindowHost.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QWindow>

#include <gst/video/videooverlay.h>

namespace platform {
namespace {

bool HaveX11Gui() {
  return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr &&
         QGuiApplication::platformName() == QLatin1String("xcb");
}

// The user closing the window (its close button, Alt+F4) only hides it. Qt would destroy the
// native window, while the sink goes on drawing into the id it was given; the next file gets a
// window of its own, and this one shows again if its file is played again.
class TCloseToHide final : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Close) return false;
    event->ignore();
    static_cast<QWindow*>(watched)->hide();
    return true;
  }
};

}  // namespace

TVideoWindowHost::TVideoWindowHost(const std::string& title, bool native) {
  if (!native || !HaveX11Gui()) return;
  window_ = std::make_unique<QWindow>();
  window_->installEventFilter(new TCloseToHide(window_.get()));
  window_->setTitle(QString::fromUtf8(title));
  window_->resize(320, 240);
  window_->create();  // a native id now, before any sink prerolls
}

TVideoWindowHost::~TVideoWindowHost() {
  if (window_) window_->setParent(nullptr);  // never destroy the owner's foreign wrapper first
}

uintptr_t TVideoWindowHost::WindowId() const { return window_ ? window_->winId() : 0; }

void TVideoWindowHost::AttachSink(GstElement* sink) {
  if (!window_ || sink == nullptr || !GST_IS_VIDEO_OVERLAY(sink)) return;
  gst_video_overlay_set_window_handle(GST_VIDEO_OVERLAY(sink), window_->winId());
}

void TVideoWindowHost::SetOwner(uintptr_t owner) {
  owner_ = owner;
  if (!window_) return;
  if (owner == 0) {
    window_->setParent(nullptr);
    ownerWindow_.reset();
    return;
  }
  std::unique_ptr<QWindow> wrapper(QWindow::fromWinId(static_cast<WId>(owner)));
  if (!wrapper) return;
  window_->setParent(wrapper.get());
  ownerWindow_ = std::move(wrapper);
}

void TVideoWindowHost::SetGeometry(long left, long top, long width, long height) {
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  placed_ = true;
  if (window_ && width > 0 && height > 0)
    window_->setGeometry(static_cast<int>(left), static_cast<int>(top), static_cast<int>(width),
                         static_cast<int>(height));
}

void TVideoWindowHost::Geometry(long* left, long* top, long* width, long* height) const {
  *left = left_;
  *top = top_;
  *width = width_;
  *height = height_;
}

void TVideoWindowHost::FitToVideo(int width, int height) {
  if (placed_ || owner_ != 0 || width <= 0 || height <= 0) return;
  width_ = width;
  height_ = height;
  if (window_) window_->resize(width, height);
}

void TVideoWindowHost::SetVisible(bool visible) {
  if (window_) window_->setVisible(visible);
}

}  // namespace platform
