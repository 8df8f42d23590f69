#pragma once
// What the files of TfrmMain share: the position bar adapter, texts and small path helpers.

#include <QCoreApplication>
#include <QListWidget>
#include <QScrollBar>
#include <QString>
#include <QTableWidget>

#include <string>

#include "engine/VideoGate1000.h"
#include "platform/CodePage.h"
#include "platform/FileSearch.h"

// The engine moves the position bar through this; the bar itself stays a plain scroll bar.
class TScrollBarPositionBar : public TPositionBar {
 public:
  explicit TScrollBarPositionBar(QScrollBar* bar) : Bar_(bar) {}
  void SetMax(int max) override { Bar_->setMaximum(max); }
  int Max() const override { return Bar_->maximum(); }
  void SetPosition(int pos) override { Bar_->setValue(pos); }
  int Position() const override { return Bar_->value(); }

 private:
  QScrollBar* Bar_;
};

namespace umain {

inline constexpr const char* kStoppedText = "再生停止";
inline constexpr const char* kCaptionPrefix = "Ver1.07 Orvane - ";
inline constexpr int kTileSize = 96;

inline QString ForDisplay(const std::string& text) {
  return QString::fromStdString(platform::AnsiToUtf8(text));
}

// The executable's folder with a trailing delimiter.
inline std::string ExeFolder() {
  return platform::IncludeTrailingPathDelimiter(
      QCoreApplication::applicationDirPath().toStdString());
}

inline std::string WithoutTrailingDelimiter(const std::string& path) {
  return platform::HasTrailingPathDelimiter(path) ? path.substr(0, path.size() - 1) : path;
}

inline std::string FolderCaption(const QListWidget* list, int row) {
  return list->item(row)->text().toStdString();
}

inline std::string RowCaption(const QTableWidget* table, int row) {
  const QTableWidgetItem* item = table->item(row, 0);
  return item ? item->text().toStdString() : std::string();
}

}  // namespace umain
