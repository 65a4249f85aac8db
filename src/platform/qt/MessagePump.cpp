#include "platform/qt/MessagePump.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>

#include <ctime>

void MessagePump::Pump() {
  QCoreApplication::sendPostedEvents();
  QAbstractEventDispatcher* d = QAbstractEventDispatcher::instance();
  const std::uint32_t now = Ticks();
  if (d && d->processEvents(QEventLoop::AllEvents)) {
    idleSince_ = now;
    return;
  }
  // Nothing was pending. A millisecond at first, which keeps the reveal on
  // its pace; the longer the queue stays quiet (a pause for the reader), the
  // longer the sleep, up to 10 ms, which no blink or key press can tell
  // apart. A plain sleep costs far less than arming a timer and blocking in
  // the dispatcher.
  const std::uint32_t quiet = now - idleSince_;
  const long nanos = quiet < 20 ? 1000000L : quiet < 200 ? 4000000L : 10000000L;
  timespec ts{0, nanos};
  nanosleep(&ts, nullptr);
}

void MessagePump::Rest() {
  timespec ts{0, 1000000};
  nanosleep(&ts, nullptr);
}

std::uint32_t MessagePump::Ticks() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
                                    static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u);
}
