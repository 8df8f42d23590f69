// TAPEtag on arbitrary bytes: no read outside a buffer, no hang, no escaping exception.
// Each input is read twice: as a whole file, and as the item list of a tag whose footer is
// built around it (version and item count from the first bytes), so that the fuzzer reaches
// the item walk without having to guess a footer at the very end of the file.

#include <vector>

#include "FuzzSupport.h"
#include "tags/APEtag.h"
#include "tags/sMediaTag.h"

namespace {

void ReadAndRender(const fuzzsupport::TInputFolder& folder, const std::vector<uint8_t>& file) {
  TAPEtag tag;
  tag.ReadFromFile(folder.Write(file.data(), file.size()));
  for (const TPropInfo* prop : tag.ClassInfo().AllProperties()) {
    PropValueToText(*prop, prop->Get(tag));
  }
}

void PutU32LE(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fuzzsupport::TInputFolder folder;
  ReadAndRender(folder, std::vector<uint8_t>(data, data + size));
  if (size < 2) return 0;
  const uint32_t version = (data[0] & 1) ? 2000 : 1000;
  const uint32_t count = data[1];
  const uint8_t* items = data + 2;
  const size_t itemBytes = size - 2;
  std::vector<uint8_t> file(128, 0x55);  // room in front, so the footer check passes
  file.insert(file.end(), items, items + itemBytes);
  const char* id = "APETAGEX";
  file.insert(file.end(), id, id + 8);
  PutU32LE(file, version);
  PutU32LE(file, static_cast<uint32_t>(itemBytes + 32));
  PutU32LE(file, count);
  file.resize(file.size() + 12, 0);
  ReadAndRender(folder, file);
  return 0;
}
