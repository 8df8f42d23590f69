#pragma once
// The file-type filter box above the play list: entries of a label and a file mask, built from a
// filter text "label|mask|label|mask..." as the settings file keeps it.

#include <QComboBox>

#include <string>
#include <string_view>
#include <vector>

// The "Filter" setting when the file has none: one entry per playable type, then all of them.
constexpr const char* DefaultFilter =
    "wav|*.wav|mp3|*.mp3|avi|*.avi|wmv|*.wmv|mpg|*.mpg|m2p|*.m2p|vob|*.vob|vg2|*.vg2|"
    "all(wav,mp3,avi,wmv,mpg,m2p,vob,vg2)|*.*";

struct TFilterEntry {
  std::string Label;
  std::string Mask;
};

// Splits at each "|" that starts a character (in Shift-JIS the byte 0x7C can be the second byte of
// a double-byte character). A label without a following "|" is dropped; the last mask may run to
// the end of the text.
std::vector<TFilterEntry> SplitFilter(std::string_view filter);

class TFilterComboBox : public QComboBox {
  Q_OBJECT

 public:
  explicit TFilterComboBox(QWidget* parent = nullptr);

  // Rebuilds the entries from filter and selects the first one.
  void SetFilter(const std::string& filter);
  const std::string& Filter() const { return Filter_; }

  // -1 when no entry is selected; an index outside the entries selects none.
  int ItemIndex() const { return currentIndex(); }
  void SetItemIndex(int index);

  // The selected entry's mask; "*.*" when the box has no entries, "" when it has entries but
  // none is selected.
  std::string Mask() const;

 private:
  std::string Filter_;
  std::vector<TFilterEntry> Entries_;
};
