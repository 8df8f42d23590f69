#pragma once
// The application object and its default error handler: an error that leaves an event handler is
// shown in a modal message box with its text, the rest of that handler is skipped, and the
// program goes on. Qt never sees an exception cross its event loop.

#include <QApplication>

#include <exception>
#include <string>

// The caption of the error box.
constexpr const char* ApplicationTitle = "Orvane";

// Shows text in the error box (platform::MessageBoxA, so tests can record it).
void ShowException(const std::string& text);

// Runs handler; an exception it throws is shown by the default error handler and goes no further.
template <class F>
void RunHandler(F&& handler) noexcept {
  try {
    handler();
  } catch (const std::exception& e) {
    ShowException(e.what());
  } catch (...) {
    ShowException("Unknown error");
  }
}

class TApplication : public QApplication {
  Q_OBJECT

 public:
  TApplication(int& argc, char** argv);
  // Every event of the program passes here: the last line of defence for handlers that are not
  // wrapped in RunHandler.
  bool notify(QObject* receiver, QEvent* event) override;
};
