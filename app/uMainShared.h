#pragma once
// What the files of TfrmMain share: the position bar adapter, texts and small path helpers.

#include <QCoreApplication>
#include <QGuiApplication>
#include <QListWidget>
#include <QScrollBar>
#include <QByteArray>
#include <QString>
#include <QTableWidget>
#include <QVariant>

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
// After a file's name in the status bar: the file could not be played and was passed.
inline constexpr const char* kCannotPlayText = "再生できません";
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

// The wait cursor for as long as a pane is rebuilt: every entry is read before the window
// answers again.
class TWaitCursor {
 public:
  TWaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
  ~TWaitCursor() { QGuiApplication::restoreOverrideCursor(); }
  TWaitCursor(const TWaitCursor&) = delete;
  TWaitCursor& operator=(const TWaitCursor&) = delete;
};

// A list entry keeps the file system's bytes of its name in Qt::UserRole beside its display
// text: a name that is not valid UTF-8 (a Shift-JIS folder copied from an old disc) is shown
// decoded, so the text cannot give the path back. Paths are built from these bytes.
template <typename Item>
void SetRawName(Item* item, const std::string& bytes) {
  item->setData(Qt::UserRole, QByteArray::fromStdString(bytes));
}

// The entry's raw name; its display text as UTF-8 when it has none.
template <typename Item>
std::string RawName(const Item* item) {
  if (item == nullptr) return std::string();
  const QVariant raw = item->data(Qt::UserRole);
  if (raw.typeId() == QMetaType::QByteArray) return raw.toByteArray().toStdString();
  return item->text().toStdString();
}

inline std::string FolderCaption(const QListWidget* list, int row) {
  return RawName(list->item(row));
}

inline std::string RowCaption(const QTableWidget* table, int row) {
  return RawName(table->item(row, 0));
}

}  // namespace umain
