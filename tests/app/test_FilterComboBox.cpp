// The filter text of the play list's filter box.

#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "app/FilterComboBox.h"
#include "platform/CodePage.h"

namespace {

std::vector<std::pair<std::string, std::string>> Split(std::string_view filter) {
  std::vector<std::pair<std::string, std::string>> result;
  for (const TFilterEntry& entry : SplitFilter(filter)) result.emplace_back(entry.Label, entry.Mask);
  return result;
}

using Entries = std::vector<std::pair<std::string, std::string>>;

}  // namespace

TEST(FilterTest, DefaultFilterListsEveryPlayableTypeThenAll) {
  const Entries entries = Split(DefaultFilter);
  ASSERT_EQ(entries.size(), 9u);
  EXPECT_EQ(entries[0], (std::pair<std::string, std::string>{"wav", "*.wav"}));
  EXPECT_EQ(entries[7], (std::pair<std::string, std::string>{"vg2", "*.vg2"}));
  EXPECT_EQ(entries[8],
            (std::pair<std::string, std::string>{"all(wav,mp3,avi,wmv,mpg,m2p,vob,vg2)", "*.*"}));
}

TEST(FilterTest, LabelsWithoutABarAreDroppedAndMasksMayBeEmpty) {
  EXPECT_EQ(Split(""), Entries{});
  EXPECT_EQ(Split("a"), Entries{});
  EXPECT_EQ(Split("a|"), (Entries{{"a", ""}}));
  EXPECT_EQ(Split("a|*.a|b"), (Entries{{"a", "*.a"}}));
  EXPECT_EQ(Split("a|*.a|b|"), (Entries{{"a", "*.a"}, {"b", ""}}));
  EXPECT_EQ(Split("|*.x"), (Entries{{"", "*.x"}}));
}

TEST(FilterTest, BarInsideADoubleByteCharacterDoesNotSplit) {
  platform::SetACP(platform::TCodePage::ShiftJis);
  // 0x83 0x7C is one Shift-JIS character whose second byte is "|".
  const Entries entries = Split("\x83\x7C|*.a|b|*.b");
  platform::SetACP(platform::TCodePage::Utf8);
  EXPECT_EQ(entries, (Entries{{"\x83\x7C", "*.a"}, {"b", "*.b"}}));
}

TEST(FilterTest, BoxSelectsTheFirstEntryAndRejectsIndexesOutsideItsEntries) {
  orvane_test::EnsureApplication();
  TFilterComboBox box;
  box.SetFilter("wav|*.wav|all|*.*");
  EXPECT_EQ(box.ItemIndex(), 0);
  EXPECT_EQ(box.Mask(), "*.wav");
  EXPECT_EQ(box.Filter(), "wav|*.wav|all|*.*");
  box.SetItemIndex(1);
  EXPECT_EQ(box.Mask(), "*.*");
  box.SetItemIndex(2);
  EXPECT_EQ(box.ItemIndex(), -1);
  EXPECT_EQ(box.Mask(), "");
  box.SetFilter("");
  EXPECT_EQ(box.ItemIndex(), -1);
}
