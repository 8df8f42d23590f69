#include "platform/mediagraph/ConverterFilter.h"

#include "platform/mediagraph/ChainBin.h"

namespace platform {

const char16_t* TConverterFilter::NameFor(TMediaKind kind) {
  return kind == TMediaKind::Video ? u"Color Space Converter" : u"Audio Converter";
}

ComPtr<TConverterFilter> TConverterFilter::Create(TMediaKind kind) {
  GstElement* bin = kind == TMediaKind::Video
                        ? MakeChainBin({Make("videoconvert"), Make("videoscale")}, "Input", "Output")
                        : MakeChainBin({Make("audioconvert"), Make("audioresample")}, "Input",
                                       "Output");
  if (bin == nullptr) return {};
  return ComPtr<TConverterFilter>::Attach(new TConverterFilter(bin));
}

}  // namespace platform
