#pragma once
// An image list: pictures of one size, addressed by index, each added as a copy. Copies share
// their pixels until one of them is written (QImage's implicit sharing), so a picture added many
// times (the plain folder tile) is held once, and so is its icon.

#include <QIcon>
#include <QImage>

#include <unordered_map>
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
  void Clear();
  int Count() const { return static_cast<int>(Images_.size()); }
  const QImage& Image(int index) const { return Images_.at(index); }
  // The picture as an icon, made once when it was added (GUI thread only).
  const QIcon& Icon(int index) const { return Icons_.at(index); }

 private:
  int Width_;
  int Height_;
  std::vector<QImage> Images_;
  std::vector<QIcon> Icons_;
  // The index of the first picture of each pixel buffer added: its icon serves every other.
  std::unordered_map<qint64, int> FirstOfPixels_;
};
