#include "app/FlowLayout.h"

#include <QWidget>

#include <algorithm>

TFlowLayout::~TFlowLayout() {
  for (QLayoutItem* item : Items_) delete item;
}

QLayoutItem* TFlowLayout::itemAt(int index) const {
  return index >= 0 && index < count() ? Items_[index] : nullptr;
}

QLayoutItem* TFlowLayout::takeAt(int index) {
  if (index < 0 || index >= count()) return nullptr;
  QLayoutItem* item = Items_[index];
  Items_.erase(Items_.begin() + index);
  return item;
}

QSize TFlowLayout::minimumSize() const {
  QSize size;
  for (const QLayoutItem* item : Items_) size = size.expandedTo(item->minimumSize());
  const QMargins margins = contentsMargins();
  return size + QSize(margins.left() + margins.right(), margins.top() + margins.bottom());
}

void TFlowLayout::setGeometry(const QRect& rect) {
  QLayout::setGeometry(rect);
  Arrange(rect, true);
}

int TFlowLayout::Arrange(const QRect& rect, bool apply) const {
  const QRect area = rect.marginsRemoved(contentsMargins());
  const int gap = spacing() < 0 ? 0 : spacing();
  int x = area.x();
  int y = area.y();
  int rowHeight = 0;
  for (QLayoutItem* item : Items_) {
    const QSize hint = item->sizeHint();
    if (x > area.x() && x + hint.width() > area.right() + 1) {
      x = area.x();
      y += rowHeight + gap;
      rowHeight = 0;
    }
    if (apply) item->setGeometry(QRect(QPoint(x, y), hint));
    x += hint.width() + gap;
    rowHeight = std::max(rowHeight, hint.height());
  }
  return y + rowHeight - rect.y() + contentsMargins().bottom();
}
