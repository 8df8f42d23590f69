#pragma once
// Lets the window colour a list's rows before they are drawn, the way a list view's custom-draw
// event does: the handler sees the row and its drawing options and may change the colours, then
// says whether the default drawing follows.

#include <QStyledItemDelegate>

#include <functional>

class TCustomDrawDelegate : public QStyledItemDelegate {
 public:
  // Runs on the GUI thread for every cell about to be drawn.
  using THandler = std::function<void(int row, QStyleOptionViewItem& option, bool& defaultDraw)>;

  TCustomDrawDelegate(QObject* parent, THandler handler);

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;

 private:
  THandler Handler_;
};
