// The reader's message pump on Qt: handles whatever is pending, and when
// nothing is, sleeps briefly instead of spinning a core while the reader
// polls the clock in its delay and pause loops.
#pragma once

#include <cstdint>

class MessagePump {
 public:
  // Handles all pending events once, or sleeps when there were none.
  void Pump();
  // The reader drew something: it is revealing text, not waiting for the
  // reader, so sleeps stay short.
  void Touch() { idleSince_ = Ticks(); }
  // Sleeps about a millisecond without handling any event.
  static void Rest();
  // The millisecond tick counter (monotonic, wrapping at 32 bits).
  static std::uint32_t Ticks();

 private:
  std::uint32_t idleSince_ = 0;  // tick of the last pump that found work
};
