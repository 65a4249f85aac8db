// The reader's message pump on Qt. The reader's loops wait for the reader
// (a pause) or for the clock (the reveal delay, the blink, the wipe); the
// pump blocks in Qt's event loop until the next event or the tick at which
// something must change, so a waiting reader costs next to nothing, and it
// sleeps the last stretch before that tick exactly, so the pace holds to
// well under a millisecond.
#pragma once

#include <QObject>

#include <cstdint>

class MessagePump {
 public:
  // Handles every pending event once, never waiting. True when there was
  // something to handle.
  bool Pump();
  // Handles pending events; with none, waits for the next one, but not past
  // tick `until`.
  void PumpUntil(std::uint32_t until) { Wait(&until); }
  // The same with no time limit.
  void PumpWait() { Wait(nullptr); }
  // Sleeps until tick `until` without handling any event.
  static void SleepUntil(std::uint32_t until);
  // The millisecond tick counter (monotonic, wrapping at 32 bits).
  static std::uint32_t Ticks();

 private:
  // Wakes the event loop at a set time; Rang tells that it did.
  class Alarm : public QObject {
   public:
    bool Rang = false;

   protected:
    void timerEvent(QTimerEvent*) override { Rang = true; }
  };
  void Wait(const std::uint32_t* until);
  Alarm alarm_;
};
