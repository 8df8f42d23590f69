#include "platform/mediagraph/SourceFilter.h"

#include "platform/mediagraph/ChainBin.h"

namespace platform {

ComPtr<TSourceFilter> TSourceFilter::Create(const std::string& path) {
  GstElement* src = Make("filesrc");
  if (src != nullptr) g_object_set(src, "location", path.c_str(), nullptr);
  GstElement* bin = MakeChainBin({src}, nullptr, "Output");
  if (bin == nullptr) return {};
  return ComPtr<TSourceFilter>::Attach(new TSourceFilter(bin));
}

}  // namespace platform
