#pragma once
// An image list: pictures of one size, addressed by index, each added as a copy.

#include <QIcon>
#include <QImage>

#include <vector>

class TImageList {
 public:
  TImageList(int width, int height) : Width_(width), Height_(height) {}

  int Width() const { return Width_; }
  int Height() const { return Height_; }
  // Changing the size empties the list, since its pictures no longer fit.
  void SetSize(int width, int height);

  // Keeps a copy of image, scaled to the list's size when it differs; returns its index.
  int Add(const QImage& image);
  void Clear() { Images_.clear(); }
  int Count() const { return static_cast<int>(Images_.size()); }
  const QImage& Image(int index) const { return Images_.at(index); }
  QIcon Icon(int index) const;

 private:
  int Width_;
  int Height_;
  std::vector<QImage> Images_;
};
