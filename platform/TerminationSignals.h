#pragma once
// The end of the program asked for from outside: SIGTERM (a logout, `kill`), SIGINT (Ctrl+C in a
// terminal) and SIGHUP (the terminal closed). The signal handler only writes the signal's number
// to a pipe; the read end is watched on the GUI thread, which then runs the callback there, so a
// signal ends the program through the same path as a close.

#include <QObject>

#include <functional>
#include <memory>

class QSocketNotifier;

namespace platform {

class TTerminationSignals : public QObject {
  Q_OBJECT

 public:
  // Takes over the three signals for the life of the object (one such object at a time); their
  // previous actions come back when it is destroyed. onSignal runs on the thread that made the
  // object, once per signal received, with the signal's number. When the pipe cannot be made
  // the signals keep their default actions.
  TTerminationSignals(std::function<void(int)> onSignal, QObject* parent = nullptr);
  ~TTerminationSignals() override;
  TTerminationSignals(const TTerminationSignals&) = delete;
  TTerminationSignals& operator=(const TTerminationSignals&) = delete;

 private:
  void Drain();

  std::function<void(int)> OnSignal_;
  int ReadFd_ = -1;
  QSocketNotifier* Notifier_ = nullptr;
};

}  // namespace platform
