#pragma once
// A snapshot of a graph's filters plus the graph's version: once the graph changed, Next and Skip
// answer "out of sync" until Reset takes a new snapshot.

#include <cstdint>
#include <vector>

#include "platform/mediagraph/GstFilter.h"

namespace platform {

class TFilterEnum final : public TComObject<IEnumFilters> {
 public:
  explicit TFilterEnum(TGstFilterGraph* graph);  // holds a reference to the graph
  HRESULT QueryInterface(REFIID iid, void** object) override;
  HRESULT Next(ULONG count, IBaseFilter** filters, ULONG* fetched) override;
  HRESULT Skip(ULONG count) override;
  HRESULT Reset() override;

 private:
  ~TFilterEnum() override;
  TGstFilterGraph* graph_;
  std::vector<ComPtr<TGstFilter>> filters_;
  uint64_t version_ = 0;
  size_t next_ = 0;
};

}  // namespace platform
