#include "app/ImageList.h"

#include <QPixmap>

void TImageList::SetSize(int width, int height) {
  if (width == Width_ && height == Height_) return;
  Width_ = width;
  Height_ = height;
  Clear();
}

int TImageList::Add(const QImage& image) {
  const bool fits = image.width() == Width_ && image.height() == Height_;
  Images_.push_back(fits ? image : image.scaled(Width_, Height_));
  const auto [first, isNew] = FirstOfPixels_.try_emplace(Images_.back().cacheKey(), Count() - 1);
  Icons_.push_back(isNew ? QIcon(QPixmap::fromImage(Images_.back())) : Icons_[first->second]);
  return Count() - 1;
}

void TImageList::Clear() {
  Images_.clear();
  Icons_.clear();
  FirstOfPixels_.clear();
}
