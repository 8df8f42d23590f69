#pragma once
// The "ANSI code page": the 8-bit text of paths, settings and tag values. On this platform the
// file system speaks UTF-8, so that is the default; Shift-JIS (932) can be selected for the
// behaviour that depends on double-byte lead bytes, and for decoding 8-bit tag text for display.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

enum class TCodePage : unsigned {
  Utf8 = 65001,    // default: the file system's encoding
  ShiftJis = 932,  // lead bytes 0x81-0x9F and 0xE0-0xFC, each followed by one trail byte
};

constexpr char PathDelim = '/';

TCodePage GetACP();
void SetACP(TCodePage cp);  // process-wide; tests select 932 for the Shift-JIS rules

// True when b opens a multi-byte character in the current code page.
bool IsDBCSLeadByte(uint8_t b);

// Byte length of the character starting at text[pos] (1 for a broken or cut sequence, 0 at the end).
size_t CharLength(std::string_view text, size_t pos);
// Offset of the character after the one at pos; never beyond text.size().
size_t CharNext(std::string_view text, size_t pos);
// Offset of the start of the character before pos (0 when pos is at or before the first one).
size_t CharPrev(std::string_view text, size_t pos);
// True when the byte at pos starts a character (is not a trail byte of the one before it).
bool IsCharStart(std::string_view text, size_t pos);
// Byte length of text's first count characters, read as AnsiToUtf8 shows them: a text that is
// not UTF-8 counts in Shift-JIS characters, so a cut there never splits one.
size_t LeadingCharsLength(std::string_view text, size_t count);

// ANSI upper-casing: ASCII letters only; trail bytes of double-byte characters are left alone.
char AnsiUpperByte(char c);
std::string AnsiUpperCase(std::string_view text);
// Equal under ANSI upper-casing: ASCII letters match either case, double-byte characters exactly.
bool AnsiSameText(std::string_view a, std::string_view b);

// One UTF-16 unit in the current code page; "?" (the default character) where it has none.
std::string WideCharToAnsi(char16_t unit);
// A UTF-16 text, unit by unit, as above (surrogate halves become "?").
std::string WideToAnsi(std::u16string_view text);
// Current code page's text to UTF-16 (for readers that expose wide strings).
std::u16string AnsiToWide(std::string_view text);

// Text for display, in UTF-8. Under UTF-8, valid UTF-8 passes as it is and anything else is
// decoded as code page 932 (8-bit tag text stored "as is" on a Japanese system).
std::string AnsiToUtf8(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);
bool IsValidUtf8(std::string_view text);

// Adds a trailing path delimiter unless the text already ends in one; "" becomes "/".
// A delimiter byte that is the trail byte of a double-byte character does not count.
std::string IncludeTrailingPathDelimiter(std::string_view path);
bool HasTrailingPathDelimiter(std::string_view path);

}  // namespace platform
