#pragma once
// The native window a video renderer draws into, when the program has a GUI on X11; without one
// (tools, tests with fake sinks) it only keeps the values it is given.

#include <gst/gst.h>

#include <cstdint>
#include <memory>
#include <string>

class QWindow;

namespace platform {

class TVideoWindowHost {
 public:
  // native: make a real window when the program has a GUI (real sinks); else only keep values.
  TVideoWindowHost(const std::string& title, bool native);
  ~TVideoWindowHost();
  TVideoWindowHost(const TVideoWindowHost&) = delete;
  TVideoWindowHost& operator=(const TVideoWindowHost&) = delete;

  uintptr_t WindowId() const;  // 0 without a native window
  // Hands the window to a video sink before it prerolls, so the sink never opens its own.
  void AttachSink(GstElement* sink);
  void SetOwner(uintptr_t owner);
  void SetStyle(long style) { style_ = style; }
  void SetGeometry(long left, long top, long width, long height);
  void Geometry(long* left, long* top, long* width, long* height) const;
  // Sizes a window of its own (no owner, no position given) to the picture.
  void FitToVideo(int width, int height);
  void SetVisible(bool visible);
  uintptr_t Owner() const { return owner_; }
  long Style() const { return style_; }

 private:
  std::unique_ptr<QWindow> window_;
  std::unique_ptr<QWindow> ownerWindow_;  // foreign-window wrapper of the owner
  uintptr_t owner_ = 0;
  long style_ = 0;
  long left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool placed_ = false;
};

}  // namespace platform
