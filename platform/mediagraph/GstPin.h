#pragma once
// A pin of the GStreamer media graph: one pad of a filter's element (a ghost pad for bins). Pin
// objects are made on demand and cached per pad by their filter, so the same pad always answers
// as the same pin. GUI thread only.

#include <gst/gst.h>

#include "platform/mediagraph/ComObject.h"

namespace platform {

class TGstFilter;

class TGstPin final : public TComObject<IPin> {
 public:
  TGstPin(TGstFilter* filter, GstPad* pad);
  HRESULT QueryInterface(REFIID iid, void** object) override;
  HRESULT ConnectedTo(IPin** pin) override;
  HRESULT QueryDirection(PIN_DIRECTION* direction) override;
  HRESULT QueryPinInfo(PIN_INFO* info) override;

  GstPad* Pad() const { return pad_; }
  TGstFilter* Filter() const;
  bool IsConnected() const;

 private:
  ~TGstPin() override;
  ComPtr<TGstFilter> filter_;  // a pin keeps its filter alive, never the other way round
  GstPad* pad_;
};

}  // namespace platform
