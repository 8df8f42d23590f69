// Shortcut texts of the settings file and their 16-bit codes.

#include <gtest/gtest.h>

#include "app/ShortCut.h"
#include "platform/Hotkeys.h"

using namespace platform;

TEST(ShortCutTest, ParsesModifiersInAnyOrderAndCase) {
  EXPECT_EQ(TextToShortCut("Ctrl+Shift+F5"), scShift | scCtrl | VK_F1 + 4);
  EXPECT_EQ(TextToShortCut("shift+ctrl+alt+pgdn"), scShift | scCtrl | scAlt | VK_NEXT);
  EXPECT_EQ(TextToShortCut("^a"), scCtrl | 'A');
  EXPECT_EQ(TextToShortCut("End"), VK_END);
  EXPECT_EQ(TextToShortCut("home"), VK_HOME);
  EXPECT_EQ(TextToShortCut("7"), '7');
  EXPECT_EQ(TextToShortCut("F24"), VK_F24);
  EXPECT_EQ(TextToShortCut("Num 5"), 0x65);
}

TEST(ShortCutTest, TextsThatNameNoKeyGiveZero) {
  for (const char* text : {"", "Ctrl+", "Shift+Alt+", "F0", "F25", "Foo", "End+", " End", "Ctrl-X"}) {
    EXPECT_EQ(TextToShortCut(text), 0) << text;
  }
}

TEST(ShortCutTest, WritesModifiersInFixedOrder) {
  EXPECT_EQ(ShortCutToText(scCtrl | scShift | (VK_F1 + 4)), "Shift+Ctrl+F5");
  EXPECT_EQ(ShortCutToText(scAlt | scCtrl | VK_END), "Ctrl+Alt+End");
  EXPECT_EQ(ShortCutToText(VK_BACK), "BkSp");
  EXPECT_EQ(ShortCutToText(VK_DELETE), "Del");
  EXPECT_EQ(ShortCutToText(0), "");
  EXPECT_EQ(ShortCutToText(scShift), "");  // modifiers without a key
  EXPECT_EQ(ShortCutToText(0x07), "");     // a code without a name
}

TEST(ShortCutTest, EveryWrittenTextReadsBackToItsCode) {
  for (unsigned vk = 1; vk <= 0xFF; ++vk) {
    for (TShortCut modifiers : {TShortCut{0}, scShift, TShortCut(scCtrl | scAlt)}) {
      const TShortCut code = static_cast<TShortCut>(vk | modifiers);
      const std::string text = ShortCutToText(code);
      if (!text.empty()) EXPECT_EQ(TextToShortCut(text), code) << text;
    }
  }
}
