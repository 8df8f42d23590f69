// TID3v2 on arbitrary bytes: no read outside a buffer, no hang, no escaping exception.
// Each input is read twice: as a whole file, and as the frames of a tag whose header is built
// around it (version from the first byte), so that the fuzzer reaches the frame scan at once.

#include <vector>

#include "FuzzSupport.h"
#include "tags/ID3v2.h"
#include "tags/sMediaTag.h"

namespace {

void ReadAndRender(const fuzzsupport::TInputFolder& folder, const std::vector<uint8_t>& file) {
  TID3v2 tag;
  tag.ReadFromFile(folder.Write(file.data(), file.size()));
  for (const TPropInfo* prop : tag.ClassInfo().AllProperties()) {
    PropValueToText(*prop, prop->Get(tag));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fuzzsupport::TInputFolder folder;
  ReadAndRender(folder, std::vector<uint8_t>(data, data + size));
  if (size < 1) return 0;
  const uint8_t version = static_cast<uint8_t>(2 + data[0] % 3);
  const uint32_t frameBytes = static_cast<uint32_t>(size - 1) & 0x0FFFFFFF;
  std::vector<uint8_t> file = {'I', 'D', '3', version, 0, 0,
                               static_cast<uint8_t>(frameBytes >> 21 & 0x7F),
                               static_cast<uint8_t>(frameBytes >> 14 & 0x7F),
                               static_cast<uint8_t>(frameBytes >> 7 & 0x7F),
                               static_cast<uint8_t>(frameBytes & 0x7F)};
  file.insert(file.end(), data + 1, data + size);
  ReadAndRender(folder, file);
  return 0;
}
