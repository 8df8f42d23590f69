#include "platform/mediagraph/GstPin.h"

#include "platform/mediagraph/GstFilter.h"
#include "platform/mediagraph/GstFilterGraph.h"

namespace platform {

TGstPin::TGstPin(TGstFilter* filter, GstPad* pad)
    : filter_(filter), pad_(static_cast<GstPad*>(gst_object_ref(pad))) {}

TGstPin::~TGstPin() {
  filter_->ForgetPin(pad_);
  gst_object_unref(pad_);
}

HRESULT TGstPin::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (!(iid == IID_IUnknown)) return E_NOINTERFACE;
  *object = static_cast<IPin*>(this);
  AddRef();
  return S_OK;
}

TGstFilter* TGstPin::Filter() const { return filter_.Get(); }

bool TGstPin::IsConnected() const { return gst_pad_is_linked(pad_); }

HRESULT TGstPin::ConnectedTo(IPin** pin) {
  if (pin == nullptr) return E_POINTER;
  *pin = nullptr;
  GstPad* peer = gst_pad_get_peer(pad_);
  if (peer == nullptr) return VFW_E_NOT_CONNECTED;
  ComPtr<TGstPin> result;
  if (TGstFilterGraph* graph = filter_->Graph()) result = graph->PinOfPad(peer);
  gst_object_unref(peer);
  if (!result) return VFW_E_NOT_CONNECTED;  // linked to something outside the graph
  *pin = result.Detach();
  return S_OK;
}

HRESULT TGstPin::QueryDirection(PIN_DIRECTION* direction) {
  if (direction == nullptr) return E_POINTER;
  *direction = GST_PAD_DIRECTION(pad_) == GST_PAD_SRC ? PINDIR_OUTPUT : PINDIR_INPUT;
  return S_OK;
}

HRESULT TGstPin::QueryPinInfo(PIN_INFO* info) {
  if (info == nullptr) return E_POINTER;
  QueryDirection(&info->dir);
  gchar* name = gst_pad_get_name(pad_);
  CopyName(WideFromUtf8(name != nullptr ? name : ""), info->achName, MAX_PIN_NAME);
  g_free(name);
  info->pFilter = filter_.Get();
  info->pFilter->AddRef();
  return S_OK;
}

}  // namespace platform
