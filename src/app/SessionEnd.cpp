#include "app/SessionEnd.h"

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <ctime>

#include "platform/Files.h"

namespace {

int signalPipe[2] = {-1, -1};
unsigned grace = 0;
// The signal whose close is under way, 0 before the first, and when it came
// (monotonic milliseconds).
volatile sig_atomic_t serving = 0;
std::atomic<long long> servingSince{0};
static_assert(std::atomic<long long>::is_always_lock_free);
// A session manager sends its signals together (SIGTERM, then SIGHUP, at
// logout): those that come this soon after the first are the same request,
// and the close they asked for goes on. One that comes later finds the
// close stuck past the time a save takes.
constexpr long long kSameRequestMs = 1000;

long long NowMs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// Only what is safe in a handler: the files being written go, then the
// signal's own default action ends the process.
void EndNow(int sig) {
  RemovePendingTemporaries();
  struct sigaction sa = {};
  sa.sa_handler = SIG_DFL;
  sigemptyset(&sa.sa_mask);
  sigaction(sig, &sa, nullptr);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, sig);
  pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
  raise(sig);
  _exit(128 + sig);
}

// The first signal only writes a byte into the pipe: the close runs in the
// event loop, and the write of the settings file it makes is never broken
// off by a handler. The alarm ends a loop that never takes it up.
void OnSignal(int sig) {
  const int saved = errno;
  const long long now = NowMs();
  if (serving) {
    if (now - servingSince.load() >= kSameRequestMs) EndNow(sig);
    errno = saved;
    return;
  }
  servingSince.store(now);
  serving = sig;
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = write(signalPipe[1], &byte, 1);
  alarm(grace);
  errno = saved;
}

void OnAlarm(int) {
  if (serving) EndNow(serving);
}

}  // namespace

int CatchEndingSignals(unsigned graceSeconds) {
  grace = graceSeconds;
  if (signalPipe[0] < 0 && pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return -1;
  struct sigaction sa = {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  for (int s : {SIGTERM, SIGINT, SIGHUP, SIGALRM}) sigaddset(&sa.sa_mask, s);
  sa.sa_flags = SA_RESTART;
  for (int s : {SIGTERM, SIGINT, SIGHUP}) sigaction(s, &sa, nullptr);
  sa.sa_handler = OnAlarm;
  sigaction(SIGALRM, &sa, nullptr);
  return signalPipe[0];
}

void CloseOnSessionEnd(QObject* owner, std::function<void()> close) {
  if (const int fd = CatchEndingSignals(5); fd >= 0) {
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, owner);
    QObject::connect(notifier, &QSocketNotifier::activated, owner, [close, fd] {
      char bytes[64];
      while (read(fd, bytes, sizeof bytes) > 0) {
      }
      close();
    });
  }
  // The session manager asks for the data before the session ends.
  QObject::connect(qApp, &QGuiApplication::commitDataRequest, owner, [close] { close(); });
}
