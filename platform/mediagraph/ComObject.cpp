#include "platform/mediagraph/ComObject.h"

#include <algorithm>

namespace platform {

void CopyName(const std::u16string& name, WCHAR* field, size_t fieldSize) {
  const size_t n = std::min(name.size(), fieldSize - 1);
  std::copy_n(name.data(), n, field);
  field[n] = 0;
}

}  // namespace platform
