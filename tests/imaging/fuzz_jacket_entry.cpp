// Any bytes as a jacket cache entry: either an intact 80 x 80 jacket or a refusal, never a crash;
// what is accepted reads back to the same bytes.
#include "imaging/JacketCacheEntry.h"

#include <QtGlobal>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TJacketKey Key;
  TABitmap Jacket;
  if (!DecodeJacketEntry(Data, Size, Key, Jacket)) return 0;
  const std::string Again = EncodeJacketEntry(Key, Jacket);
  // An accepted entry whose fourth bytes are all 0xFF may have been kept in four bytes a pixel
  // by another writer; ours keeps it in three, so only the lengths may differ.
  if (Again.size() == Size && std::memcmp(Again.data(), Data, Size) != 0) std::abort();
  return 0;
}
