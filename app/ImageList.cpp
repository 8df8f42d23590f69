#include "app/ImageList.h"

#include <QPixmap>

void TImageList::SetSize(int width, int height) {
  if (width == Width_ && height == Height_) return;
  Width_ = width;
  Height_ = height;
  Clear();
}

int TImageList::Add(const QImage& image) {
  if (image.width() == Width_ && image.height() == Height_) {
    Images_.push_back(image.copy());
  } else {
    Images_.push_back(image.scaled(Width_, Height_));
  }
  return Count() - 1;
}

QIcon TImageList::Icon(int index) const { return QIcon(QPixmap::fromImage(Image(index))); }
