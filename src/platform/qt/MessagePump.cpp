#include "platform/qt/MessagePump.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>

#include <cerrno>
#include <ctime>

namespace {

constexpr std::int64_t kMs = 1000000;  // nanoseconds

std::int64_t Now() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return std::int64_t(ts.tv_sec) * 1000 * kMs + ts.tv_nsec;
}

// The monotonic time at which the tick counter next reads `until`; a tick
// already reached (in wrap-around order) lies in the past.
std::int64_t TimeOfTick(std::uint32_t until, std::int64_t now) {
  const std::int64_t ms = now / kMs;
  return (ms + static_cast<std::int32_t>(until - static_cast<std::uint32_t>(ms))) * kMs;
}

void SleepTill(std::int64_t when) {
  const timespec ts{static_cast<time_t>(when / (1000 * kMs)),
                    static_cast<long>(when % (1000 * kMs))};
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
  }
}

}  // namespace

bool MessagePump::Pump() {
  QCoreApplication::sendPostedEvents();
  QAbstractEventDispatcher* d = QAbstractEventDispatcher::instance();
  return d && d->processEvents(QEventLoop::AllEvents);
}

void MessagePump::Wait(const std::uint32_t* until) {
  if (Pump()) return;  // the caller looks at what the events changed
  QAbstractEventDispatcher* d = QAbstractEventDispatcher::instance();
  const std::int64_t start = Now();
  const std::int64_t due = until ? TimeOfTick(*until, start) : 0;
  if (until && due <= start) return;
  // Qt's timers fire up to a millisecond late, so the alarm is set a
  // millisecond early and the rest is slept; a last millisecond or less is
  // slept at once. Either way an event waits at most about that long.
  if (d && (!until || due - start > kMs)) {
    const int early = until ? static_cast<int>((due - start) / kMs - 1) : -1;
    alarm_.Rang = false;
    const int id = early >= 0 ? alarm_.startTimer(early, Qt::PreciseTimer) : 0;
    d->processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    if (id) alarm_.killTimer(id);
    if (!alarm_.Rang) return;  // an event came first
  }
  if (until && due > Now()) SleepTill(due);
}

void MessagePump::SleepUntil(std::uint32_t until) {
  const std::int64_t now = Now();
  const std::int64_t due = TimeOfTick(until, now);
  if (due > now) SleepTill(due);
}

std::uint32_t MessagePump::Ticks() {
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(Now() / kMs));
}
