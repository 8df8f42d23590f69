#include "platform/CodePage.h"

#include <iconv.h>

#include <atomic>
#include <cerrno>
#include <vector>

namespace platform {
namespace {

std::atomic<TCodePage> g_codePage{TCodePage::Utf8};

bool IsShiftJisLead(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

bool IsUtf8Continuation(uint8_t b) { return (b & 0xC0) == 0x80; }

// Length of a well-formed UTF-8 sequence at pos, or 0 when it is not one.
size_t Utf8SequenceLength(std::string_view text, size_t pos) {
  const uint8_t lead = static_cast<uint8_t>(text[pos]);
  size_t len = 0;
  uint32_t cp = 0;
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) { len = 2; cp = lead & 0x1F; }
  else if (lead >= 0xE0 && lead <= 0xEF) { len = 3; cp = lead & 0x0F; }
  else if (lead >= 0xF0 && lead <= 0xF4) { len = 4; cp = lead & 0x07; }
  else return 0;
  if (len > text.size() - pos) return 0;
  for (size_t i = 1; i < len; ++i) {
    const uint8_t b = static_cast<uint8_t>(text[pos + i]);
    if (!IsUtf8Continuation(b)) return 0;
    cp = (cp << 6) | (b & 0x3F);
  }
  // Overlong forms, surrogates and values past U+10FFFF are not characters.
  if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF))) return 0;
  if (cp >= 0xD800 && cp <= 0xDFFF) return 0;
  return len;
}

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// One conversion through glibc's iconv; false when a byte sequence has no mapping.
bool Iconv(const char* to, const char* from, std::string_view in, std::string& out) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::vector<char> buf(in.size() * 4 + 16);
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char* dst = buf.data();
  size_t dstLeft = buf.size();
  const size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  iconv_close(cd);
  if (rc == static_cast<size_t>(-1)) return false;
  out.assign(buf.data(), buf.size() - dstLeft);
  return true;
}

// Shift-JIS (932) to UTF-8, character by character so that one bad pair does not lose the rest.
std::string ShiftJisToUtf8(std::string_view text) {
  std::string out;
  size_t pos = 0;
  while (pos < text.size()) {
    const uint8_t b = static_cast<uint8_t>(text[pos]);
    if (b < 0x80) { out += static_cast<char>(b); ++pos; continue; }
    const size_t len = (IsShiftJisLead(b) && pos + 1 < text.size()) ? 2 : 1;
    std::string piece;
    if (Iconv("UTF-8", "CP932", text.substr(pos, len), piece) && !piece.empty()) {
      out += piece;
      pos += len;
      continue;
    }
    AppendUtf8(out, 0xFFFD);
    // A byte that cannot be a trail byte (0x40-0x7E, 0x80-0xFC) is not lost with the broken lead
    // byte before it: "\x81 A" still shows the blank and the A.
    const uint8_t next = len == 2 ? static_cast<uint8_t>(text[pos + 1]) : 0;
    const bool trail = (next >= 0x40 && next <= 0x7E) || (next >= 0x80 && next <= 0xFC);
    pos += trail ? len : 1;
  }
  return out;
}

}  // namespace

TCodePage GetACP() { return g_codePage.load(); }
void SetACP(TCodePage cp) { g_codePage.store(cp); }

bool IsDBCSLeadByte(uint8_t b) {
  if (GetACP() == TCodePage::ShiftJis) return IsShiftJisLead(b);
  return b >= 0xC2 && b <= 0xF4;
}

size_t CharLength(std::string_view text, size_t pos) {
  if (pos >= text.size()) return 0;
  const uint8_t b = static_cast<uint8_t>(text[pos]);
  if (GetACP() == TCodePage::ShiftJis) {
    // A lead byte at the very end has no trail byte: it stands alone.
    return (IsShiftJisLead(b) && pos + 1 < text.size() && text[pos + 1] != '\0') ? 2 : 1;
  }
  const size_t len = Utf8SequenceLength(text, pos);
  return len == 0 ? 1 : len;
}

size_t CharNext(std::string_view text, size_t pos) {
  if (pos >= text.size()) return text.size();
  return pos + CharLength(text, pos);
}

size_t CharPrev(std::string_view text, size_t pos) {
  // Stepping backwards is ambiguous in Shift-JIS (a trail byte can look like a lead byte),
  // so walk forward from the start and keep the last character start before pos.
  size_t prev = 0;
  for (size_t p = 0; p < pos && p < text.size(); p = CharNext(text, p)) prev = p;
  return prev;
}

bool IsCharStart(std::string_view text, size_t pos) {
  size_t p = 0;
  while (p < pos && p < text.size()) p = CharNext(text, p);
  return p == pos;
}

size_t LeadingCharsLength(std::string_view text, size_t count) {
  const bool shiftJis = GetACP() == TCodePage::ShiftJis || !IsValidUtf8(text);
  size_t pos = 0;
  for (size_t n = 0; n < count && pos < text.size(); ++n) {
    if (!shiftJis) pos = CharNext(text, pos);
    else pos += (IsShiftJisLead(static_cast<uint8_t>(text[pos])) && pos + 1 < text.size()) ? 2 : 1;
  }
  return pos;
}

char AnsiUpperByte(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string AnsiUpperCase(std::string_view text) {
  std::string out(text);
  for (size_t p = 0; p < out.size();) {
    const size_t len = CharLength(out, p);
    if (len == 1) out[p] = AnsiUpperByte(out[p]);
    p += len;
  }
  return out;
}

bool AnsiSameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t p = 0; p < a.size();) {
    const size_t len = CharLength(a, p);
    if (len != CharLength(b, p)) return false;
    const bool same = len == 1 ? AnsiUpperByte(a[p]) == AnsiUpperByte(b[p])
                               : a.substr(p, len) == b.substr(p, len);
    if (!same) return false;
    p += len;
  }
  return true;
}

std::string WideCharToAnsi(char16_t unit) {
  if (unit >= 0xD800 && unit <= 0xDFFF) return "?";
  if (GetACP() == TCodePage::ShiftJis) {
    if (unit < 0x80) return std::string(1, static_cast<char>(unit));
    std::string in, out;
    AppendUtf8(in, unit);
    if (Iconv("CP932", "UTF-8", in, out) && !out.empty()) return out;
    return "?";
  }
  std::string out;
  AppendUtf8(out, unit);
  return out;
}

std::string WideToAnsi(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char16_t unit : text) out += WideCharToAnsi(unit);
  return out;
}

std::u16string AnsiToWide(std::string_view text) {
  const std::string utf8 = AnsiToUtf8(text);
  std::u16string out;
  for (size_t pos = 0; pos < utf8.size();) {
    const size_t len = Utf8SequenceLength(utf8, pos);
    if (len == 0) { out += u'\uFFFD'; ++pos; continue; }
    uint32_t cp = static_cast<uint8_t>(utf8[pos]);
    if (len > 1) {
      cp &= (0xFF >> (len + 1));
      for (size_t i = 1; i < len; ++i) {
        cp = (cp << 6) | (static_cast<uint8_t>(utf8[pos + i]) & 0x3F);
      }
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 | (cp >> 10));
      out += static_cast<char16_t>(0xDC00 | (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
    pos += len;
  }
  return out;
}

bool IsValidUtf8(std::string_view text) {
  for (size_t pos = 0; pos < text.size();) {
    const size_t len = Utf8SequenceLength(text, pos);
    if (len == 0) return false;
    pos += len;
  }
  return true;
}

std::string AnsiToUtf8(std::string_view text) {
  if (GetACP() == TCodePage::Utf8 && IsValidUtf8(text)) return std::string(text);
  return ShiftJisToUtf8(text);
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    AppendUtf8(out, cp);
  }
  return out;
}

bool HasTrailingPathDelimiter(std::string_view path) {
  if (path.empty() || path.back() != PathDelim) return false;
  return IsCharStart(path, path.size() - 1);
}

std::string IncludeTrailingPathDelimiter(std::string_view path) {
  std::string out(path);
  if (!HasTrailingPathDelimiter(out)) out += PathDelim;
  return out;
}

}  // namespace platform
