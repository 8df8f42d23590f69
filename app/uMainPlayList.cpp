#include "app/uMain.h"

#include <QPalette>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTableWidget>

#include <vector>

#include "app/FilterComboBox.h"
#include "tags/sMediaTagReader.h"

#include "app/uMainShared.h"

using namespace umain;

// Play list.

namespace {

// Tag values keep their bytes as stored; a display ends them at an inner zero byte.
QString TagCellText(const std::string& value) {
  return ForDisplay(value.substr(0, value.find('\0')));
}

QTableWidgetItem* NewCell(const QString& text) {
  auto* item = new QTableWidgetItem(text);
  item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
  return item;
}

}  // namespace

std::string TfrmMain::FilterMask() {
  // Searching needs a mask: with no entry selected the last one ("all" by default) is chosen.
  if (FilterComboBox1->ItemIndex() < 0 && FilterComboBox1->count() > 0) {
    FilterComboBox1->SetItemIndex(FilterComboBox1->count() - 1);
  }
  return FilterComboBox1->Mask();
}

void TfrmMain::BuildPlayList() {
  if (!TagReader_) return;
  const TWaitCursor wait;
  ListViewPlay->setRowCount(0);
  Session_.ListFiles(FilterMask(), PlayableExtensions);
  const std::vector<std::string>& names = Session_.Files();
  // One repaint at the end instead of one per cell.
  ListViewPlay->setUpdatesEnabled(false);
  ListViewPlay->setRowCount(static_cast<int>(names.size()));
  {
    // The model's change signal for each cell is held back while the rows fill: the view knows
    // of the rows already, nothing else listens, and the repaint at the end reads every cell.
    // The signals cost as much as the rest of the rebuild besides the tag reading.
    const QSignalBlocker quiet(ListViewPlay->model());
    for (int row = 0; row < static_cast<int>(names.size()); ++row) {
      QTableWidgetItem* caption = NewCell(ForDisplay(names[row]));
      SetRawName(caption, names[row]);
      ListViewPlay->setItem(row, 0, caption);
      FillTagColumns(row, Session_.FilePath(row));
    }
  }
  ListViewPlay->setUpdatesEnabled(true);
  ListViewPlay->viewport()->update();
  // Rows were replaced, not chosen: nothing is selected, and the current cell is cleared too so
  // that a key press does not select a row the user never picked.
  ListViewPlay->clearSelection();
  ListViewPlay->setCurrentItem(nullptr);
  RenewQueued();  // the file that follows is taken from the new list
}

void TfrmMain::FillTagColumns(int row, const std::string& path) {
  TagReader_->ReadTags(path);
  ListViewPlay->setItem(row, 1, NewCell(TagCellText(TagReader_->GetTagValue("Title"))));
  ListViewPlay->setItem(row, 2, NewCell(TagCellText(TagReader_->GetTagValue("Artist"))));
}

void TfrmMain::FilterComboBox1Click(QObject* /*Sender*/) { BuildPlayList(); }

void TfrmMain::ListViewPlayCustomDrawItem(QObject* /*Sender*/, int /*Row*/,
                                          QStyleOptionViewItem& Option, bool& DefaultDraw) {
  DefaultDraw = true;
  if (!(Option.state & QStyle::State_Selected)) return;
  // The right-hand colour of an active window's caption gradient has no counterpart on this
  // desktop; the active window's highlight colour stands for it. Both colour groups get it, so
  // the selected row looks the same whether or not the list has the focus.
  const QPalette::ColorGroup active = QPalette::Active;
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    Option.palette.setColor(group, QPalette::Highlight,
                            Option.palette.color(active, QPalette::Highlight));
    Option.palette.setColor(group, QPalette::HighlightedText,
                            Option.palette.color(active, QPalette::HighlightedText));
  }
}
