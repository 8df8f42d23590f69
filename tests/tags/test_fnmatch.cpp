#include "tags/fnmatch.h"

#include <gtest/gtest.h>

#include "platform/CodePage.h"

TEST(WildMatch, StarsQuestionMarksAndCase) {
  EXPECT_TRUE(WildMatch("C:\\Music\\a.MP3", "*.mp?"));
  EXPECT_FALSE(WildMatch("x.mp", "*.mp?"));  // "?" needs one more character
  EXPECT_TRUE(WildMatch("abc", "a*"));
  EXPECT_FALSE(WildMatch("abc", "a?"));
  EXPECT_TRUE(WildMatch("", "*"));
  EXPECT_TRUE(WildMatch("", ""));
  EXPECT_FALSE(WildMatch("ab", "ab?"));
  EXPECT_FALSE(WildMatch("ab", "ab**"));
  EXPECT_FALSE(WildMatch("a", ""));
  EXPECT_TRUE(WildMatch("song.flac", "*.flac"));
  EXPECT_FALSE(WildMatch("a.aac.bak", "*.aac"));
  EXPECT_TRUE(WildMatch("/music/a.b.wav", "*.wav"));
}

TEST(WildMatch, StarTakesTheLongestStretchWithoutBacktracking) {
  // "*b" takes everything up to the last "b", so "?" then needs one character after it.
  EXPECT_TRUE(WildMatch("abcbd", "*b?"));
  EXPECT_FALSE(WildMatch("abcb", "*b?"));  // a backtracking matcher would say true
  EXPECT_TRUE(WildMatch("a.mp3.mp3", "*.mp?"));
  EXPECT_FALSE(WildMatch("a.mp3x", "*.mp?"));
}

TEST(WildMatch, QuestionMarkStepsOverAWholeShiftJisCharacter) {
  platform::SetACP(platform::TCodePage::ShiftJis);
  const std::string uta = "\x89\xCC";  // 歌, two bytes, one character
  EXPECT_TRUE(WildMatch(uta + ".mp3", "?.mp3"));
  EXPECT_FALSE(WildMatch(uta + ".mp3", "??.mp3"));
  // The trail byte 0x5C ("\") of 表 belongs to the character, not to the pattern text.
  EXPECT_TRUE(WildMatch("\x95\x5C.wav", "*.WAV"));
  platform::SetACP(platform::TCodePage::Utf8);
  EXPECT_TRUE(WildMatch("歌.mp3", "?.mp3"));
}

TEST(WildMatchList, AnyPieceMatches) {
  EXPECT_TRUE(WildMatchList("x.vqf", "*.vqf;*.svf", ";"));
  EXPECT_TRUE(WildMatchList("x.SVF", "*.vqf;*.svf", ";"));
  EXPECT_FALSE(WildMatchList("x.wav", "*.vqf;*.svf", ";"));
  EXPECT_TRUE(WildMatchList("song.fla", "*.flac;*.fla", ";"));
  EXPECT_TRUE(WildMatchList("x.rmp", "*.mp?;*.rmp", ";"));
  EXPECT_TRUE(WildMatchList("abc", "a*", ";"));  // one piece without separator
}

TEST(FindLastOccurrence, LastHitIgnoringCase) {
  EXPECT_EQ(FindLastOccurrence("a.mp3.MP3", ".mp"), 5u);
  EXPECT_EQ(FindLastOccurrence("aaaa", "aa"), 2u);
  EXPECT_FALSE(FindLastOccurrence("abc", "x").has_value());
  EXPECT_FALSE(FindLastOccurrence("ab", "abc").has_value());
}

// A literal opening with a byte that is no letter is searched for byte-exactly; one opening with
// a letter matches either case; a hit must fit before the end of the text.
TEST(FindLastOccurrence, NonLetterAndLetterFirstBytes) {
  EXPECT_EQ(FindLastOccurrence("/x.y/song.Mp3", ".mp3"), 9u);
  EXPECT_EQ(FindLastOccurrence("a.b.c", "."), 3u);
  EXPECT_FALSE(FindLastOccurrence("song.mp", ".mp3").has_value());  // "." too near the end
  EXPECT_FALSE(FindLastOccurrence("song,mp3", ".mp3").has_value());
  EXPECT_EQ(FindLastOccurrence("Ogg.OGG.x", "ogg"), 4u);
  EXPECT_EQ(FindLastOccurrence("1.2.3", "2.3"), 2u);
}
