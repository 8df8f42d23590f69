#pragma once
// The external-output renderer: the filter that stands in for the VideoGate1000 device's renderer.
// Two input pins, "Video-In" and "Audio-In"; on this machine the video is shown in a window of its
// own titled "VideoGate1000" and the audio goes to the default audio device. The branch behind a
// pin (queue, converters, sink) exists only while that pin is connected, so a renderer with one
// pin connected prerolls and ends like any other.

#include <gst/gst.h>

#include <memory>

#include "platform/mediagraph/GstFilter.h"
#include "platform/mediagraph/Sinks.h"
#include "platform/mediagraph/VideoWindowHost.h"

namespace platform {

class TVideoGateRenderer final : public TGstFilter {
 public:
  static ComPtr<TVideoGateRenderer> Create(const TSinkOptions& sinks);

  bool IsRenderer() const override { return true; }
  GstPad* FreeInputFor(TMediaKind kind) override;
  bool PrepareInput(GstPad* pad) override;
  void InputReleased(GstPad* pad) override;
  bool WantsPipeline() const override;
  bool FeedsOthers() const override { return false; }
  void RunStateChanged(OAFilterState state) override;

  TVideoWindowHost* Window() { return &window_; }

 private:
  TVideoGateRenderer(GstElement* bin, const TSinkOptions& sinks);
  ~TVideoGateRenderer() override;
  GstElement* BuildBranch(bool video);
  void DropBranch(GstElement** branch);

  TSinkOptions sinks_;
  GstPad* videoIn_;  // ghost pads owned by the bin
  GstPad* audioIn_;
  GstElement* videoBranch_ = nullptr;  // a bin inside ours while "Video-In" is connected
  GstElement* audioBranch_ = nullptr;
  TVideoWindowHost window_;
};

}  // namespace platform
