#include "app/FilterComboBox.h"

#include "platform/CodePage.h"

std::vector<TFilterEntry> SplitFilter(std::string_view filter) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (size_t pos = 0; pos < filter.size(); pos = platform::CharNext(filter, pos)) {
    if (filter[pos] == '|') {
      parts.push_back(filter.substr(start, pos - start));
      start = pos + 1;
    }
  }
  if (!filter.empty()) parts.push_back(filter.substr(start));
  // parts alternate label, mask; an odd last part is a label that no "|" followed.
  std::vector<TFilterEntry> entries;
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    entries.push_back({std::string(parts[i]), std::string(parts[i + 1])});
  }
  return entries;
}

TFilterComboBox::TFilterComboBox(QWidget* parent) : QComboBox(parent) {}

void TFilterComboBox::SetFilter(const std::string& filter) {
  Filter_ = filter;
  Entries_ = SplitFilter(filter);
  clear();
  for (const TFilterEntry& entry : Entries_) {
    addItem(QString::fromStdString(platform::AnsiToUtf8(entry.Label)));
  }
  setCurrentIndex(Entries_.empty() ? -1 : 0);
}

void TFilterComboBox::SetItemIndex(int index) {
  setCurrentIndex(index >= 0 && index < count() ? index : -1);
}

std::string TFilterComboBox::Mask() const {
  if (Entries_.empty()) return "*.*";
  const int index = currentIndex();
  return index >= 0 && index < static_cast<int>(Entries_.size()) ? Entries_[index].Mask : "";
}
