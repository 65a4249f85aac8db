#include "app/SessionEnd.h"

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <QWidget>

#include <cerrno>
#include <csignal>

namespace {

int signalPipe[2] = {-1, -1};

// Only a byte into the pipe: the close runs in the event loop, and the
// write of the settings file it makes is never broken off by a handler.
void OnSignal(int) {
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = write(signalPipe[1], &byte, 1);
  errno = saved;
}

void CloseNow(const std::function<void()>& close) {
  // A box or dialog still open would keep its own loop, and the program,
  // running after the window closed.
  for (int i = 0; i < 8 && QApplication::activeModalWidget(); ++i)
    QApplication::activeModalWidget()->close();
  close();
}

}  // namespace

void CloseOnSessionEnd(QObject* owner, std::function<void()> close) {
  if (signalPipe[0] < 0 && pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) signalPipe[0] = -1;
  if (signalPipe[0] >= 0) {
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, owner);
    QObject::connect(notifier, &QSocketNotifier::activated, owner, [close] {
      char bytes[64];
      while (read(signalPipe[0], bytes, sizeof bytes) > 0) {
      }
      CloseNow(close);
    });
    struct sigaction sa = {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int s : {SIGTERM, SIGINT, SIGHUP}) sigaction(s, &sa, nullptr);
  }
  // The session manager asks for the data before the session ends.
  QObject::connect(qApp, &QGuiApplication::commitDataRequest, owner, [close] { CloseNow(close); });
}
