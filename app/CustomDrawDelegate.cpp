#include "app/CustomDrawDelegate.h"

TCustomDrawDelegate::TCustomDrawDelegate(QObject* parent, THandler handler)
    : QStyledItemDelegate(parent), Handler_(std::move(handler)) {}

void TCustomDrawDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
  QStyleOptionViewItem changed(option);
  bool defaultDraw = true;
  if (Handler_) Handler_(index.row(), changed, defaultDraw);
  if (defaultDraw) QStyledItemDelegate::paint(painter, changed, index);
}
