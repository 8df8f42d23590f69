// The play list's texts from the settings file, of any shape: the "Filter" value and the
// "PlayableExtensions" value, and file names tested against the extensions.
// Input: one byte choosing the code page, then three texts separated by zero bytes.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/FilterComboBox.h"
#include "app/PlayableExtensions.h"
#include "platform/CodePage.h"

namespace {

std::string_view NextPart(std::string_view& rest) {
  const size_t zero = rest.find('\0');
  const std::string_view part = rest.substr(0, zero);
  rest = zero == std::string_view::npos ? std::string_view() : rest.substr(zero + 1);
  return part;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  platform::SetACP(data[0] & 1 ? platform::TCodePage::ShiftJis : platform::TCodePage::Utf8);
  std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::string_view filter = NextPart(rest);
  const std::string_view extensions = NextPart(rest);
  const std::string_view name = NextPart(rest);

  size_t bytes = 0;
  for (const TFilterEntry& entry : SplitFilter(filter)) {
    bytes += entry.Label.size() + entry.Mask.size() + 2;
  }
  Check(bytes <= filter.size() + 1);

  const TPlayableExtensions list{std::string(extensions)};
  Check(!list.Extensions().empty());
  Check(list.Text() == extensions);
  bool known = false;
  for (const std::string& ext : list.Extensions()) {
    Check(ext.size() >= 2 && ext[0] == '.');
    known |= platform::AnsiSameText(ExtractFileExt(name), ext);
  }
  Check(list.Matches(name) == known);
  return 0;
}
