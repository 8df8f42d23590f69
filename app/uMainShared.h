#pragma once
// What the files of TfrmMain share: the position bar adapter, texts and small path helpers.

#include <QCoreApplication>
#include <QGuiApplication>
#include <QListWidget>
#include <QScrollBar>
#include <QByteArray>
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
// decoded, so the text cannot give the name back. Paths are built from the session's names.
template <typename Item>
void SetRawName(Item* item, const std::string& bytes) {
  item->setData(Qt::UserRole, QByteArray::fromStdString(bytes));
}

}  // namespace umain
