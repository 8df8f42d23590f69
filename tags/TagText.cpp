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

// Decodes the UTF-8 sequence at text[pos] into cp and returns its length. For a malformed
// one it returns the length of its longest valid start (at least 1) and sets cp to U+FFFD,
// so that a cut or broken sequence counts as one replacement character. The ranges of the
// second byte leave out overlong forms, surrogates and values past U+10FFFF.
size_t DecodeUtf8(std::string_view text, size_t pos, char32_t& cp) {
  const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[pos + i]); };
  const uint8_t lead = byte(0);
  cp = lead;
  if (lead < 0x80) return 1;
  size_t len = 0;
  uint8_t low = 0x80, high = 0xBF;  // allowed range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    len = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    len = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    len = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    cp = 0xFFFD;
    return 1;
  }
  cp = lead & (0x7F >> len);
  for (size_t i = 1; i < len; ++i) {
    const bool inRange = pos + i < text.size() && byte(i) >= low && byte(i) <= high;
    if (!inRange) {
      cp = 0xFFFD;
      return i;
    }
    cp = cp << 6 | (byte(i) & 0x3F);
    low = 0x80;
    high = 0xBF;
  }
  return len;
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

std::u16string Utf8ToWide(std::string_view text) {
  std::u16string units;
  units.reserve(text.size());
  for (size_t pos = 0; pos < text.size();) {
    char32_t cp = 0;
    pos += DecodeUtf8(text, pos, cp);
    if (cp >= 0x10000) {
      units += static_cast<char16_t>(0xD800 | ((cp - 0x10000) >> 10));
      units += static_cast<char16_t>(0xDC00 | (cp & 0x3FF));
    } else {
      units += static_cast<char16_t>(cp);
    }
  }
  return units;
}

std::string Utf8ToAnsiText(std::string_view text) {
  if (platform::GetACP() == platform::TCodePage::Utf8 && platform::IsValidUtf8(text)) {
    return std::string(text);
  }
  return WideToAnsiText(Utf8ToWide(text));
}
