#include "platform/CodePage.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

// Selects a code page for one test and restores UTF-8 afterwards.
class CodePageScope {
 public:
  explicit CodePageScope(TCodePage cp) { SetACP(cp); }
  ~CodePageScope() { SetACP(TCodePage::Utf8); }
};

}  // namespace

TEST(ShiftJis, TrailByteBackslashIsNotADelimiterButSlashStillCounts) {
  CodePageScope sjis(TCodePage::ShiftJis);
  // "表" is 0x95 0x5C: its trail byte is "\" (and on Windows the delimiter).
  EXPECT_TRUE(IsDBCSLeadByte(0x95));
  EXPECT_FALSE(IsDBCSLeadByte(0x5C));
  EXPECT_TRUE(IsDBCSLeadByte(0xE0));
  EXPECT_TRUE(IsDBCSLeadByte(0xFC));
  EXPECT_FALSE(IsDBCSLeadByte(0xA0));
  const std::string hyou = "\x95\x5C";
  EXPECT_FALSE(IsCharStart(hyou, 1));
  EXPECT_EQ(IncludeTrailingPathDelimiter("/music/" + hyou), "/music/" + hyou + "/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/music/"), "/music/");
  EXPECT_EQ(IncludeTrailingPathDelimiter(""), "/");
}

TEST(ShiftJis, DelimiterAsTrailByteIsPartOfTheCharacter) {
  CodePageScope sjis(TCodePage::ShiftJis);
  // 0x81 0x2F is not a valid pair, but the lead byte still swallows the "/" after it.
  const std::string text = "a\x81/";
  EXPECT_FALSE(HasTrailingPathDelimiter(text));
  EXPECT_EQ(IncludeTrailingPathDelimiter(text), text + "/");
}

TEST(ShiftJis, NextAndPreviousStepOverWholeCharacters) {
  CodePageScope sjis(TCodePage::ShiftJis);
  const std::string text = "A\x82\xA0" "b\x95\x5C" "c\x81";  // A, あ, b, 表, c, lone lead byte
  std::vector<size_t> starts;
  for (size_t p = 0; p < text.size(); p = CharNext(text, p)) starts.push_back(p);
  EXPECT_EQ(starts, (std::vector<size_t>{0, 1, 3, 4, 6, 7}));
  EXPECT_EQ(CharNext(text, text.size()), text.size());
  EXPECT_EQ(CharPrev(text, 6), 4u);
  EXPECT_EQ(CharPrev(text, 4), 3u);
  EXPECT_EQ(CharPrev(text, 3), 1u);
  EXPECT_EQ(CharPrev(text, 0), 0u);
}

TEST(ShiftJis, UpperCasingLeavesTrailBytesAlone) {
  CodePageScope sjis(TCodePage::ShiftJis);
  // 0x83 0x61 is "ャ": its trail byte is "a" and must not become "A".
  EXPECT_EQ(AnsiUpperCase("ab\x83\x61z"), "AB\x83\x61Z");
  EXPECT_TRUE(AnsiSameText("ab\x83\x61z", "AB\x83\x61Z"));
  EXPECT_FALSE(AnsiSameText("\x83\x61", "\x83\x41"));  // ャ is not ア
  EXPECT_FALSE(AnsiSameText("ab", "abc"));
}

TEST(ShiftJis, WideToAnsiUsesTheDefaultCharacter) {
  CodePageScope sjis(TCodePage::ShiftJis);
  EXPECT_EQ(WideCharToAnsi(u'A'), "A");
  EXPECT_EQ(WideCharToAnsi(u'あ'), "\x82\xA0");
  EXPECT_EQ(WideCharToAnsi(u'\u00E9'), "?");  // é has no Shift-JIS form
  EXPECT_EQ(WideCharToAnsi(0xD800), "?");
  EXPECT_EQ(AnsiToUtf8("\x82\xA0"), "あ");
}

TEST(Utf8, CharactersAndConversions) {
  const std::string text = "a\xC3\xA9\xE3\x81\x82";  // a, é, あ
  EXPECT_EQ(CharNext(text, 0), 1u);
  EXPECT_EQ(CharNext(text, 1), 3u);
  EXPECT_EQ(CharNext(text, 3), 6u);
  EXPECT_EQ(CharPrev(text, 6), 3u);
  EXPECT_EQ(WideToAnsi(u"aéあ"), text);
  EXPECT_EQ(WideCharToAnsi(0xDC00), "?");
  EXPECT_EQ(AnsiToWide(text), u"aéあ");
  EXPECT_EQ(AnsiUpperCase("\xC3\xA9z"), "\xC3\xA9Z");
}

TEST(Utf8, InvalidUtf8IsShownAsShiftJis) {
  EXPECT_EQ(AnsiToUtf8("\x96\xE9\x96\xBE\x82\xAF"), "夜明け");
  EXPECT_EQ(AnsiToUtf8("Beyonc\xC3\xA9"), "Beyoncé");
  // A lead byte without a trail byte after it stands alone; what follows it is kept.
  EXPECT_EQ(AnsiToUtf8("\x81 A\x82"), "\uFFFD A\uFFFD");
  EXPECT_EQ(Utf16ToUtf8(u"夜\U0001F3B5"), "夜\xF0\x9F\x8E\xB5");
}
