#pragma once
// Text helpers the tag classes share: trimming of control bytes and spaces, and the number
// conversion that track fields go through.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Removes leading and trailing bytes of value 0x00 to 0x20.
std::string TrimControl(std::string_view text);
// Removes trailing bytes of value 0x00 to 0x20 only.
std::string TrimRightControl(std::string_view text);
// A signed decimal integer that fits 32 bits ("-12", "+3", "0042"); nothing for anything else,
// an empty text, stray characters or an overflow included.
std::optional<int32_t> StrToInt(std::string_view text);
// The number before the first "/" of a track text ("3/12" gives 3), 0 when it does not convert.
int32_t TrackNumber(std::string_view text);
// UTF-16 text in the ANSI code page. Under UTF-8 a surrogate pair stays one character; under
// code page 932 each unit is converted on its own ("?" where the code page has none).
std::string WideToAnsiText(std::u16string_view text);
// UTF-8 text as UTF-16; a malformed sequence (its longest valid start, or a single stray byte)
// becomes U+FFFD.
std::u16string Utf8ToWide(std::string_view text);
// UTF-8 text in the ANSI code page. Valid UTF-8 already is that code page here and stays as it
// is; a malformed sequence becomes U+FFFD as above.
std::string Utf8ToAnsiText(std::string_view text);
