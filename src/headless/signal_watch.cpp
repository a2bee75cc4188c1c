// See signal_watch.h. One watch at a time: the pair is process-wide, as
// signal dispositions are.
#include "headless/signal_watch.h"

#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

#include "text/app_error.h"

namespace valo::headless {
namespace {

int gPair[2] = {-1, -1};

extern "C" void onSignal(int number) {
  const int saved = errno;
  const char byte = static_cast<char>(number);
  [[maybe_unused]] const ssize_t written = ::write(gPair[0], &byte, 1);
  errno = saved;
}

}  // namespace

SignalWatch::SignalWatch(std::function<void(int)> arrived) : arrived_(std::move(arrived)) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gPair) != 0) {
    throw AppError(gbk("无法监听终止信号"));
  }
  notifier_ = std::make_unique<QSocketNotifier>(gPair[1], QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] {
    char byte = 0;
    if (::read(gPair[1], &byte, 1) == 1 && arrived_) arrived_(++count_);
  });
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &action, nullptr);
  ::sigaction(SIGINT, &action, nullptr);
}

SignalWatch::~SignalWatch() {
  ::signal(SIGTERM, SIG_DFL);
  ::signal(SIGINT, SIG_DFL);
  notifier_.reset();
  ::close(gPair[0]);
  ::close(gPair[1]);
  gPair[0] = gPair[1] = -1;
}

}  // namespace valo::headless
