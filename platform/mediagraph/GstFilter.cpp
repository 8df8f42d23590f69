#include "platform/mediagraph/GstFilter.h"

#include "platform/mediagraph/PinEnum.h"

namespace platform {

TGstFilter::TGstFilter(GstElement* element)
    : element_(static_cast<GstElement*>(gst_object_ref_sink(element))) {}

TGstFilter::~TGstFilter() {
  // Joins any streaming thread still inside the element before it goes.
  gst_element_set_state(element_, GST_STATE_NULL);
  gst_object_unref(element_);
}

HRESULT TGstFilter::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (!(iid == IID_IUnknown) && !(iid == IID_IBaseFilter)) return E_NOINTERFACE;
  *object = static_cast<IBaseFilter*>(this);
  AddRef();
  return S_OK;
}

void TGstFilter::Joined(TGstFilterGraph* graph, const std::u16string& name) {
  graph_ = graph;
  name_ = name;
}

void TGstFilter::Left() {
  graph_ = nullptr;
  name_.clear();
}

ComPtr<TGstPin> TGstFilter::PinFor(GstPad* pad) {
  auto it = pins_.find(pad);
  if (it != pins_.end()) return ComPtr<TGstPin>(it->second);
  auto pin = ComPtr<TGstPin>::Attach(new TGstPin(this, pad));
  pins_[pad] = pin.Get();
  return pin;
}

void TGstFilter::ForgetPin(GstPad* pad) { pins_.erase(pad); }

std::vector<ComPtr<TGstPin>> TGstFilter::Pins() {
  std::vector<GstPad*> pads;
  GST_OBJECT_LOCK(element_);
  for (GList* l = element_->pads; l != nullptr; l = l->next)
    pads.push_back(static_cast<GstPad*>(gst_object_ref(l->data)));
  GST_OBJECT_UNLOCK(element_);
  std::vector<ComPtr<TGstPin>> pins;
  for (GstPad* pad : pads) {
    pins.push_back(PinFor(pad));
    gst_object_unref(pad);
  }
  return pins;
}

HRESULT TGstFilter::EnumPins(IEnumPins** pins) {
  if (pins == nullptr) return E_POINTER;
  *pins = new TPinEnum(Pins());
  return S_OK;
}

HRESULT TGstFilter::FindPin(LPCWSTR id, IPin** pin) {
  if (id == nullptr || pin == nullptr) return E_POINTER;
  *pin = nullptr;
  const std::string name = Utf8FromWide(id);
  GstPad* pad = gst_element_get_static_pad(element_, name.c_str());
  if (pad == nullptr) return VFW_E_NOT_FOUND;
  *pin = PinFor(pad).Detach();
  gst_object_unref(pad);
  return S_OK;
}

HRESULT TGstFilter::QueryFilterInfo(FILTER_INFO* info) {
  if (info == nullptr) return E_POINTER;
  CopyName(name_, info->achName, MAX_FILTER_NAME);
  return S_OK;
}

GstPad* TGstFilter::FreeInputFor(TMediaKind) { return nullptr; }

}  // namespace platform
