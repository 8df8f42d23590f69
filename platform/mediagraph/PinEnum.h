#pragma once
// A snapshot of a filter's pins with enumerator semantics.

#include <vector>

#include "platform/mediagraph/GstPin.h"

namespace platform {

class TPinEnum final : public TComObject<IEnumPins> {
 public:
  explicit TPinEnum(std::vector<ComPtr<TGstPin>> pins) : pins_(std::move(pins)) {}
  HRESULT QueryInterface(REFIID iid, void** object) override;
  HRESULT Next(ULONG count, IPin** pins, ULONG* fetched) override;
  HRESULT Skip(ULONG count) override;
  HRESULT Reset() override;

 private:
  std::vector<ComPtr<TGstPin>> pins_;
  size_t next_ = 0;
};

}  // namespace platform
