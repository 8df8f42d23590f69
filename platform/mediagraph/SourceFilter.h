#pragma once
// The file source: a bin around filesrc with one output pin, "Output".

#include <string>

#include "platform/mediagraph/GstFilter.h"

namespace platform {

class TSourceFilter final : public TGstFilter {
 public:
  static ComPtr<TSourceFilter> Create(const std::string& path);

 private:
  using TGstFilter::TGstFilter;
};

}  // namespace platform
