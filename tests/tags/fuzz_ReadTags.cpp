// The whole front-end on arbitrary bytes, under every extension the pattern table knows (and
// one it does not): every reader class gets to see the input.

#include <string>

#include "FuzzSupport.h"
#include "tags/sMediaTagReader.h"

namespace {

// Renders every property of obj and, one level down, of its tag objects.
void RenderAll(const TPersistent& obj, int depth) {
  for (const TPropInfo* prop : obj.ClassInfo().AllProperties()) {
    const TPropValue value = prop->Get(obj);
    PropValueToText(*prop, value);
    if (prop->Kind == TPropKind::Object && depth == 0) {
      if (const TPersistent* child = std::get<const TPersistent*>(value)) RenderAll(*child, 1);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const char* const kExtensions[] = {".aac", ".ape", ".cda", ".flac", ".fla", ".ogg",
                                            ".vqf", ".svf", ".wav", ".asf", ".wma", ".mp3",
                                            ".mpc", ".rmp", ".avi"};
  const fuzzsupport::TInputFolder folder;
  TsMediaTagReader reader;
  for (const char* ext : kExtensions) {
    reader.ReadTags(folder.Write(data, size, ext));
    reader.GetTagValue("Title");
    reader.GetTagValue("Artist");
    if (const TsMediaTag* current = reader.CurrentReader()) RenderAll(*current, 0);
  }
  return 0;
}
