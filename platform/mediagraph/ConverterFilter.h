#pragma once
// A converter the graph inserts between two pins whose formats differ.

#include "platform/mediagraph/GstFilter.h"

namespace platform {

class TConverterFilter final : public TGstFilter {
 public:
  static ComPtr<TConverterFilter> Create(TMediaKind kind);
  static const char16_t* NameFor(TMediaKind kind);

 private:
  using TGstFilter::TGstFilter;
};

}  // namespace platform
