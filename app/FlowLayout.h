#pragma once
// A layout that puts its widgets in a row, left to right, and starts a new row where the next one
// would not fit: the tool bar wraps instead of hiding buttons when the window is narrow.

#include <QLayout>

#include <vector>

class TFlowLayout : public QLayout {
 public:
  explicit TFlowLayout(QWidget* parent) : QLayout(parent) {}
  ~TFlowLayout() override;

  void addItem(QLayoutItem* item) override { Items_.push_back(item); }
  int count() const override { return static_cast<int>(Items_.size()); }
  QLayoutItem* itemAt(int index) const override;
  QLayoutItem* takeAt(int index) override;

  Qt::Orientations expandingDirections() const override { return {}; }
  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override { return Arrange(QRect(0, 0, width, 0), false); }
  QSize sizeHint() const override { return minimumSize(); }
  QSize minimumSize() const override;
  void setGeometry(const QRect& rect) override;

 private:
  // Places the items inside rect (only measures when apply is false); returns the height used.
  int Arrange(const QRect& rect, bool apply) const;

  std::vector<QLayoutItem*> Items_;
};
