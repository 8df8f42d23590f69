#include "tags/TagText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Zeros(size_t n) { return std::string(n, '\0'); }

TEST(TrimControl, BothEndsOfZeroFillSpacesAndControls) {
  EXPECT_EQ(TrimControl("\x01 Title \t"), "Title");
  EXPECT_EQ(TrimControl(std::string("\0Title", 6) + Zeros(494)), "Title");  // a frame slot
  EXPECT_EQ(TrimControl(Zeros(500)), "");
  EXPECT_EQ(TrimControl(""), "");
  EXPECT_EQ(TrimControl("x"), "x");
}

// The zero fill is passed over in words: a space or control byte among the zeros, a text byte
// in the last word, or text shorter than a word must all end up trimmed exactly.
TEST(TrimControl, ZeroFillAroundOtherBytes) {
  EXPECT_EQ(TrimControl("ab" + Zeros(9) + " " + Zeros(16)), "ab");
  EXPECT_EQ(TrimControl("ab" + Zeros(13) + "c" + Zeros(3)), "ab" + Zeros(13) + "c");
  EXPECT_EQ(TrimControl(Zeros(7) + "z"), "z");
  EXPECT_EQ(TrimControl("z" + Zeros(7)), "z");
  EXPECT_EQ(TrimControl("   " + Zeros(20) + "\x1F"), "");
}

TEST(TrimRightControl, KeepsTheFrontTrimsTheBack) {
  EXPECT_EQ(TrimRightControl("  Artist" + Zeros(22)), "  Artist");
  EXPECT_EQ(TrimRightControl(std::string(30, ' ')), "");
  EXPECT_EQ(TrimRightControl(std::string("a\0b", 3) + Zeros(8)), std::string("a\0b", 3));
}

}  // namespace
