// TTwinVQ on arbitrary bytes: no read outside a buffer, no hang, no escaping exception.

#include "ReaderFuzz.h"
#include "tags/TwinVQ.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return readerfuzz::ReadInput<TTwinVQ>(data, size);
}
