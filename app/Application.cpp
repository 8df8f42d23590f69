#include "app/Application.h"

#include "platform/MessageBox.h"

void ShowException(const std::string& text) {
  platform::MessageBoxA(text, ApplicationTitle, platform::MB_OK | platform::MB_ICONERROR);
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  bool result = false;
  RunHandler([&] { result = QApplication::notify(receiver, event); });
  return result;
}
