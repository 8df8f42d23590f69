#include "platform/mediagraph/FilterEnum.h"

#include <algorithm>

#include "platform/mediagraph/GstFilterGraph.h"

namespace platform {

TFilterEnum::TFilterEnum(TGstFilterGraph* graph) : graph_(graph) {
  graph_->AddRef();
  Reset();
}

TFilterEnum::~TFilterEnum() { graph_->Release(); }

HRESULT TFilterEnum::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (!(iid == IID_IUnknown)) return E_NOINTERFACE;
  *object = static_cast<IEnumFilters*>(this);
  AddRef();
  return S_OK;
}

HRESULT TFilterEnum::Next(ULONG count, IBaseFilter** filters, ULONG* fetched) {
  if (filters == nullptr || (fetched == nullptr && count != 1)) return E_POINTER;
  if (fetched != nullptr) *fetched = 0;
  if (version_ != graph_->Version()) return VFW_E_ENUM_OUT_OF_SYNC;
  ULONG n = 0;
  while (n < count && next_ < filters_.size())
    filters[n++] = ComPtr<TGstFilter>(filters_[next_++]).Detach();
  if (fetched != nullptr) *fetched = n;
  return n == count ? S_OK : S_FALSE;
}

HRESULT TFilterEnum::Skip(ULONG count) {
  if (version_ != graph_->Version()) return VFW_E_ENUM_OUT_OF_SYNC;
  const size_t left = filters_.size() - next_;
  next_ += std::min<size_t>(count, left);
  return count <= left ? S_OK : S_FALSE;
}

HRESULT TFilterEnum::Reset() {
  filters_ = graph_->Filters();
  version_ = graph_->Version();
  next_ = 0;
  return S_OK;
}

}  // namespace platform
