#include "tags/TagText.h"

#include "platform/CodePage.h"

namespace {

bool IsControlOrSpace(char c) { return static_cast<uint8_t>(c) <= 0x20; }

}  // namespace

std::string TrimControl(std::string_view text) {
  size_t first = 0;
  while (first < text.size() && IsControlOrSpace(text[first])) ++first;
  size_t last = text.size();
  while (last > first && IsControlOrSpace(text[last - 1])) --last;
  return std::string(text.substr(first, last - first));
}

std::string TrimRightControl(std::string_view text) {
  size_t last = text.size();
  while (last > 0 && IsControlOrSpace(text[last - 1])) --last;
  return std::string(text.substr(0, last));
}

std::optional<int32_t> StrToInt(std::string_view text) {
  size_t pos = 0;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) negative = text[pos++] == '-';
  if (pos == text.size()) return std::nullopt;
  int64_t value = 0;
  for (; pos < text.size(); ++pos) {
    if (text[pos] < '0' || text[pos] > '9') return std::nullopt;
    value = value * 10 + (text[pos] - '0');
    if (value > int64_t{INT32_MAX} + 1) return std::nullopt;  // stops growth before it can wrap
  }
  if (negative) value = -value;
  if (value > INT32_MAX || value < INT32_MIN) return std::nullopt;
  return static_cast<int32_t>(value);
}

int32_t TrackNumber(std::string_view text) {
  const size_t slash = text.find('/');
  if (slash != std::string_view::npos) text = text.substr(0, slash);
  return StrToInt(text).value_or(0);
}

std::string WideToAnsiText(std::u16string_view text) {
  if (platform::GetACP() == platform::TCodePage::Utf8) return platform::Utf16ToUtf8(text);
  return platform::WideToAnsi(text);
}
