#include "platform/MessageBox.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <utility>

namespace platform {
namespace {

int ShowWithQt(const std::string& text, const std::string& caption, unsigned flags) {
  // Without a running application (a command-line tool) there is nothing to show a box in.
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    return IDOK;
  }
  QMessageBox box;
  box.setWindowTitle(QString::fromUtf8(caption));
  box.setText(QString::fromUtf8(text));
  if ((flags & 0xF0) == MB_ICONERROR) box.setIcon(QMessageBox::Critical);
  else if ((flags & 0xF0) == MB_ICONWARNING) box.setIcon(QMessageBox::Warning);
  else if ((flags & 0xF0) == MB_ICONINFORMATION) box.setIcon(QMessageBox::Information);
  switch (flags & 0x0F) {
    case MB_OKCANCEL: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case MB_YESNO: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    default: box.setStandardButtons(QMessageBox::Ok); break;
  }
  switch (box.exec()) {
    case QMessageBox::Cancel: return IDCANCEL;
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    default: return IDOK;
  }
}

TMessageBoxShower& CurrentShower() {
  static TMessageBoxShower shower = ShowWithQt;
  return shower;
}

}  // namespace

int MessageBoxA(const std::string& text, const std::string& caption, unsigned flags) {
  return CurrentShower()(text, caption, flags);
}

TMessageBoxShower SetMessageBoxShower(TMessageBoxShower shower) {
  if (!shower) shower = ShowWithQt;
  return std::exchange(CurrentShower(), std::move(shower));
}

}  // namespace platform
