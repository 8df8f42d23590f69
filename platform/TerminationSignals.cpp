#include "platform/TerminationSignals.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>

namespace platform {
namespace {

constexpr std::array<int, 3> kSignals = {SIGTERM, SIGINT, SIGHUP};

// The pipe's write end, read by the handler: only async-signal-safe calls happen there.
std::atomic<int> g_writeFd{-1};
std::array<struct sigaction, kSignals.size()> g_previous{};

void OnSignal(int number) {
  const int savedErrno = errno;
  const int fd = g_writeFd.load();
  const unsigned char byte = static_cast<unsigned char>(number);
  // A full pipe drops the byte: enough of them are already waiting to end the program.
  if (fd >= 0) {
    [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
  }
  errno = savedErrno;
}

}  // namespace

TTerminationSignals::TTerminationSignals(std::function<void(int)> onSignal, QObject* parent)
    : QObject(parent), OnSignal_(std::move(onSignal)) {
  int fds[2];
  if (g_writeFd.load() >= 0 || ::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return;
  ReadFd_ = fds[0];
  g_writeFd.store(fds[1]);
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (size_t i = 0; i < kSignals.size(); ++i) sigaction(kSignals[i], &action, &g_previous[i]);
  Notifier_ = new QSocketNotifier(ReadFd_, QSocketNotifier::Read, this);
  connect(Notifier_, &QSocketNotifier::activated, this, [this] { Drain(); });
}

TTerminationSignals::~TTerminationSignals() {
  if (Notifier_ == nullptr) return;
  for (size_t i = 0; i < kSignals.size(); ++i) sigaction(kSignals[i], &g_previous[i], nullptr);
  const int writeFd = g_writeFd.exchange(-1);
  ::close(writeFd);
  delete Notifier_;
  ::close(ReadFd_);
}

void TTerminationSignals::Drain() {
  unsigned char numbers[64];
  for (;;) {
    const ssize_t n = ::read(ReadFd_, numbers, sizeof numbers);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    for (ssize_t i = 0; i < n; ++i) {
      if (OnSignal_) OnSignal_(numbers[i]);
    }
  }
}

}  // namespace platform
