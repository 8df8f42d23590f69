#include "tags/TagText.h"

#include <cstring>

#include "platform/CodePage.h"

namespace {

bool IsControlOrSpace(char c) { return static_cast<uint8_t>(c) <= 0x20; }

// The end of text[first, last) with trailing 0x00-0x20 bytes removed. Most of what is trimmed
// is zero fill (the rest of a 500-byte frame slot, a padded field), passed over eight bytes at
// a time before the byte-wise test.
size_t TrimmedEnd(std::string_view text, size_t first, size_t last) {
  while (last - first >= 8) {
    uint64_t word = 0;
    std::memcpy(&word, text.data() + last - 8, sizeof word);
    if (word != 0) break;
    last -= 8;
  }
  while (last > first && IsControlOrSpace(text[last - 1])) --last;
  return last;
}

}  // namespace

std::string TrimControl(std::string_view text) {
  size_t first = 0;
  while (first < text.size() && IsControlOrSpace(text[first])) ++first;
  const size_t last = TrimmedEnd(text, first, text.size());
  return std::string(text.substr(first, last - first));
}

std::string TrimRightControl(std::string_view text) {
  return std::string(text.substr(0, TrimmedEnd(text, 0, text.size())));
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
