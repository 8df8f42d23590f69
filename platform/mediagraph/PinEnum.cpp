#include "platform/mediagraph/PinEnum.h"

#include <algorithm>

namespace platform {

HRESULT TPinEnum::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (!(iid == IID_IUnknown)) return E_NOINTERFACE;
  *object = static_cast<IEnumPins*>(this);
  AddRef();
  return S_OK;
}

HRESULT TPinEnum::Next(ULONG count, IPin** pins, ULONG* fetched) {
  if (pins == nullptr || (fetched == nullptr && count != 1)) return E_POINTER;
  ULONG n = 0;
  while (n < count && next_ < pins_.size()) pins[n++] = ComPtr<TGstPin>(pins_[next_++]).Detach();
  if (fetched != nullptr) *fetched = n;
  return n == count ? S_OK : S_FALSE;
}

HRESULT TPinEnum::Skip(ULONG count) {
  const size_t left = pins_.size() - next_;
  next_ += std::min<size_t>(count, left);
  return count <= left ? S_OK : S_FALSE;
}

HRESULT TPinEnum::Reset() {
  next_ = 0;
  return S_OK;
}

}  // namespace platform
