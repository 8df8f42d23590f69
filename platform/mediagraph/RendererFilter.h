#pragma once
// A default renderer with one input pin and one sink: "Video Renderer" (with a window of its own)
// or "Default DirectSound Device".

#include <memory>

#include "platform/mediagraph/GstFilter.h"
#include "platform/mediagraph/Sinks.h"
#include "platform/mediagraph/VideoWindowHost.h"

namespace platform {

class TRendererFilter : public TGstFilter {
 public:
  static constexpr char kJoinPadPrefix[] = "Queued";

  // joinable (audio only): files can be joined in front of the output, see Join().
  static ComPtr<TRendererFilter> Create(TMediaKind kind, const TSinkOptions& sinks,
                                        bool joinable = false);
  static const char16_t* NameFor(TMediaKind kind);

  bool IsRenderer() const override { return true; }
  GstPad* FreeInputFor(TMediaKind kind) override;
  bool WantsPipeline() const override;
  bool FeedsOthers() const override { return false; }
  void RunStateChanged(OAFilterState state) override;
  void Prerolled() override;

  TMediaKind Kind() const { return kind_; }
  // The picture size negotiated on the input; false before that or for audio.
  bool VideoSize(int* width, int* height) const;
  TVideoWindowHost* Window() { return window_.get(); }
  // A joinable renderer's concat, which takes one file after the other, and the capsfilter
  // that can pin the format its sink was opened with; null otherwise. Owned by the bin.
  GstElement* Join() const { return join_; }
  GstElement* Format() const { return format_; }

 private:
  TRendererFilter(GstElement* element, TMediaKind kind, std::unique_ptr<TVideoWindowHost> window);
  TMediaKind kind_;
  std::unique_ptr<TVideoWindowHost> window_;
  GstElement* join_ = nullptr;
  GstElement* format_ = nullptr;
};

}  // namespace platform
