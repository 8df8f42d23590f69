#pragma once
// The one QApplication of a desktop test binary, made on first use and kept to the end of the
// process (Qt's tray and menu objects need it alive until then).

#include <QApplication>

inline QApplication* EnsureTestApplication() {
  static int argc = 1;
  static char name[] = "orvane-tray-tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return app;
}
