#pragma once
// A filter of the GStreamer media graph: one top-level element (usually a bin) of the graph's
// pipeline; its pins are that element's pads. The base of every filter kind, with the hooks the
// graph calls while it links streams and changes state. GUI thread only.

#include <gst/gst.h>

#include <map>
#include <string>
#include <vector>

#include "platform/mediagraph/ComObject.h"
#include "platform/mediagraph/GstPin.h"
#include "platform/mediagraph/MediaKind.h"

namespace platform {

class TGstFilterGraph;

class TGstFilter : public TComObject<IBaseFilter> {
 public:
  HRESULT QueryInterface(REFIID iid, void** object) override;
  HRESULT EnumPins(IEnumPins** pins) override;
  HRESULT FindPin(LPCWSTR id, IPin** pin) override;
  HRESULT QueryFilterInfo(FILTER_INFO* info) override;

  GstElement* Element() const { return element_; }
  TGstFilterGraph* Graph() const { return graph_; }
  const std::u16string& Name() const { return name_; }
  void Joined(TGstFilterGraph* graph, const std::u16string& name);
  void Left();

  // The pin object of one of this filter's pads (cached: one object per pad).
  ComPtr<TGstPin> PinFor(GstPad* pad);
  std::vector<ComPtr<TGstPin>> Pins();
  void ForgetPin(GstPad* pad);  // a pin object going away

  // Renderers end streams; a graph routes decoded streams to their free input pins.
  virtual bool IsRenderer() const { return false; }
  // A free input pin that takes a stream of this kind, or null.
  virtual GstPad* FreeInputFor(TMediaKind kind);
  // Called before a stream is linked to one of this filter's input pads / after it is unlinked:
  // a filter may build or tear down what sits behind the pad.
  virtual bool PrepareInput(GstPad*) { return true; }
  virtual void InputReleased(GstPad*) {}
  // Whether the element belongs inside the pipeline now: renderers only while connected, since
  // an unconnected sink stops the pipeline's preroll and its end of stream.
  virtual bool WantsPipeline() const { return true; }
  // Removing a filter that feeds others stops the whole graph (see TGstFilterGraph::RemoveFilter).
  virtual bool FeedsOthers() const { return true; }
  // The graph's run state changed, or a graph finished prerolling.
  virtual void RunStateChanged(OAFilterState) {}
  virtual void Prerolled() {}

 protected:
  explicit TGstFilter(GstElement* element);  // takes the floating reference
  ~TGstFilter() override;

 private:
  GstElement* element_;
  TGstFilterGraph* graph_ = nullptr;  // set while in a graph; the graph outlives its membership
  std::u16string name_;
  std::map<GstPad*, TGstPin*> pins_;  // weak: a pin removes itself when it goes
};

}  // namespace platform
